#!/usr/bin/env bash
# Makes the test corpus with encoders and multiplexers from Debian (ffmpeg,
# mjpegtools). Usage: make-corpus.sh OUTDIR. Files that exist are kept.
#
# Every file is written under a temporary name, checked with ffprobe and only
# then renamed, so an interrupted run never leaves a half-made file behind.
# CW_CORPUS_LONG=1 also makes long_vcd.mpg (30 minutes, for benchmarks).
set -euo pipefail
out=${1:?usage: make-corpus.sh OUTDIR}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/cw-corpus.XXXXXX")
trap 'rm -rf "$work"' EXIT

ff=(ffmpeg -nostdin -hide_banner -v error -y)
# One encoder thread and no version strings: the files come out byte for byte
# the same on every machine with the same ffmpeg (slice threads follow the
# number of processors and change the encoded bits).
exact=(-threads 1 -fflags +bitexact -flags:v +bitexact -flags:a +bitexact)
picture=testsrc2   # moving picture with sharp edges: real motion vectors, real B-pictures

# Tone with a frequency of its own per file, so that mixed-up files are noticed.
sine() { # frequency rate seconds
  echo "sine=frequency=$1:sample_rate=$2:duration=$3"
}
video() { # size rate seconds
  echo "$picture=size=$1:rate=$2:duration=$3"
}

# verify FILE KIND... : ffprobe must list the streams named (codec names in
# order) and decoding must produce no error.
verify() {
  local file=$1
  shift
  local codecs
  codecs=$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$file" | tr '\n' ' ')
  if [[ "$codecs" != "$* " ]]; then
    echo "make-corpus: $(basename "$file"): streams '$codecs', expected '$* '" >&2
    return 1
  fi
  # mplex's VideoCD streams give two pictures the same guessed decoding time
  # near the end, which only ffmpeg's null muxer remarks on: no decoding error.
  local errors
  errors=$("${ff[@]}" -i "$file" -f null - 2>&1 | grep -v 'non monotonically increasing dts to muxer' || true)
  if [[ -n "$errors" ]]; then
    echo "make-corpus: $(basename "$file") does not decode cleanly: $errors" >&2
    return 1
  fi
}

# produce NAME CODECS FUNCTION: runs FUNCTION with the temporary path, verifies,
# renames. Skips names that exist.
produce() {
  local name=$1 codecs=$2 recipe=$3
  [[ -s "$out/$name" ]] && return 0
  local tmp="$work/$name"
  "$recipe" "$tmp"
  # shellcheck disable=SC2086
  verify "$tmp" $codecs
  mv "$tmp" "$out/$name"
  echo "make-corpus: made $name"
}

vcd() { # target size rate output
  "${ff[@]}" -f lavfi -i "$(video "$2" "$3" 12)" -f lavfi -i "$(sine 440 44100 12)" \
    -target "$1" "${exact[@]}" "$4"
}
vcd_ntsc() { vcd ntsc-vcd 352x240 30000/1001 "$1"; }
vcd_pal() { vcd pal-vcd 352x288 25 "$1"; }
vcd_film() { vcd film-vcd 352x240 24000/1001 "$1"; }
# Streams that end seconds apart. The sound of vcd_short_sound stops 5 s
# before its picture. In vcd_two_audio two sound tracks overfill the VideoCD
# rate: ffmpeg's multiplexer falls behind and writes the last 2.6 s of the
# file with the second track only, so the picture and the first track end
# that far before the end of the file (it reports each late packet as a
# buffer underflow, hence -v fatal).
vcd_short_sound() {
  "${ff[@]}" -f lavfi -i "$(video 352x240 30000/1001 20)" -f lavfi -i "$(sine 360 44100 20)" \
    -filter_complex "[1:a]atrim=0:15[a]" -map 0:v -map "[a]" -target ntsc-vcd "${exact[@]}" "$1"
}
vcd_two_audio() {
  "${ff[@]}" -v fatal -f lavfi -i "$(video 352x240 30000/1001 20)" -f lavfi -i "$(sine 440 44100 20)" \
    -f lavfi -i "$(sine 880 44100 20)" -map 0:v -map 1:a -map 2:a -target ntsc-vcd "${exact[@]}" "$1"
}

# A minute of NTSC VideoCD: room for project histories with marks far into
# a file, as the 12-second files have none.
vcd_ntsc_60() {
  "${ff[@]}" -f lavfi -i "$(video 352x240 30000/1001 60)" -f lavfi -i "$(sine 450 44100 60)" \
    -target ntsc-vcd "${exact[@]}" "$1"
}

# Constant rate: minrate = maxrate = b:v makes the sequence header declare the
# rate instead of the variable-rate value 0x3FFFF.
cbr_video=(-c:v mpeg1video -b:v 1200k -minrate 1200k -maxrate 1200k -bufsize 320k -bf 2 -g 15)

sys_open() {
  "${ff[@]}" -f lavfi -i "$(video 320x240 25 10)" -f lavfi -i "$(sine 550 44100 10)" \
    "${cbr_video[@]}" -c:a mp2 -ar 44100 -ac 2 -b:a 192k -f mpeg "${exact[@]}" "$1"
}
# The open-GOP file at half a minute, for project histories.
sys_open_30() {
  "${ff[@]}" -f lavfi -i "$(video 320x240 25 30)" -f lavfi -i "$(sine 560 44100 30)" \
    "${cbr_video[@]}" -c:a mp2 -ar 44100 -ac 2 -b:a 192k -f mpeg "${exact[@]}" "$1"
}
sys_closed() {
  "${ff[@]}" -f lavfi -i "$(video 352x288 25 10)" -f lavfi -i "$(sine 620 48000 10)" \
    "${cbr_video[@]}" "${exact[@]}" -flags:v +cgop+bitexact -sc_threshold 1000000000 \
    -c:a mp2 -ar 48000 -ac 1 -b:a 128k -f mpeg "$1"
}
sys_32k() {
  "${ff[@]}" -f lavfi -i "$(video 352x240 30 10)" -f lavfi -i "$(sine 700 32000 10)" \
    "${cbr_video[@]}" -c:a mp2 -ar 32000 -ac 2 -b:a 128k -f mpeg "${exact[@]}" "$1"
}
sys_layer3() {
  "${ff[@]}" -f lavfi -i "$(video 352x240 30000/1001 10)" -f lavfi -i "$(sine 770 44100 10)" \
    "${cbr_video[@]}" -c:a libmp3lame -ar 44100 -ac 2 -b:a 128k -f mpeg "${exact[@]}" "$1"
}
# No minrate/maxrate: the sequence header declares a variable rate.
sys_vbr() {
  "${ff[@]}" -f lavfi -i "$(video 352x240 30000/1001 10)" -f lavfi -i "$(sine 830 44100 10)" \
    -c:v mpeg1video -q:v 5 -bf 2 -g 15 -c:a mp2 -ar 44100 -ac 2 -b:a 192k -f mpeg "${exact[@]}" "$1"
}
sys_two_audio() {
  "${ff[@]}" -f lavfi -i "$(video 352x240 25 10)" -f lavfi -i "$(sine 440 44100 10)" \
    -f lavfi -i "$(sine 880 44100 10)" -map 0:v -map 1:a -map 2:a \
    "${cbr_video[@]}" -c:a mp2 -ar 44100 -ac 2 -b:a 192k -f mpeg "${exact[@]}" "$1"
}
video_only() {
  "${ff[@]}" -f lavfi -i "$(video 352x240 30000/1001 10)" "${cbr_video[@]}" -f mpeg1video "${exact[@]}" "$1"
}
audio_only() {
  "${ff[@]}" -f lavfi -i "$(sine 990 44100 10)" -c:a mp2 -ar 44100 -ac 2 -b:a 224k -f mp2 "${exact[@]}" "$1"
}
sound_wav() {
  "${ff[@]}" -f lavfi -i "$(sine 660 44100 6)" -ac 2 -c:a pcm_s16le "${exact[@]}" "$1"
}
# ffmpeg has no layer 1 encoder; mp2enc (mjpegtools) writes one.
audio_l1() {
  "${ff[@]}" -f lavfi -i "$(sine 1100 44100 6)" -ac 2 -c:a pcm_s16le "$work/l1.wav"
  mp2enc -v 0 -l 1 -b 192 -r 44100 -o "$1" <"$work/l1.wav"
}

mjpeg() { # mpeg2enc/mplex format, output
  # A small motion search keeps mpeg2enc quick; the stream syntax is unchanged.
  "${ff[@]}" -f lavfi -i "$(video 352x240 30000/1001 6)" -pix_fmt yuv420p \
    -f yuv4mpegpipe - | mpeg2enc -v 0 -f "$1" -r 8 -4 4 -2 4 -o "$work/mj$1.m1v"
  "${ff[@]}" -f lavfi -i "$(sine 500 44100 6)" -ac 2 -c:a pcm_s16le "$work/mj$1.wav"
  mp2enc -v 0 -b 224 -r 44100 -o "$work/mj$1.mp2" <"$work/mj$1.wav"
  mplex -v 0 -f "$1" -o "$2" "$work/mj$1.m1v" "$work/mj$1.mp2"
}
mjpeg_vcd() { mjpeg 1 "$1"; }
mjpeg_generic() { mjpeg 0 "$1"; }

# mpeg2enc with the KVCD quantiser tables: every sequence header loads its own
# intra and non-intra matrices (140 bytes). The video is kept for the
# video-only file of the same stream.
kvcd_video() { # output
  "${ff[@]}" -f lavfi -i "$(video 352x240 30000/1001 8)" -pix_fmt yuv420p \
    -f yuv4mpegpipe - | mpeg2enc -v 0 -f 1 -K kvcd -r 8 -4 4 -2 4 -o "$1"
}
mjpeg_kvcd() {
  [[ -s "$work/kvcd.m1v" ]] || kvcd_video "$work/kvcd.m1v"
  "${ff[@]}" -f lavfi -i "$(sine 1250 44100 8)" -ac 2 -c:a pcm_s16le "$work/kvcd.wav"
  mp2enc -v 0 -b 224 -r 44100 -o "$work/kvcd.mp2" <"$work/kvcd.wav"
  mplex -v 0 -f 1 -o "$1" "$work/kvcd.m1v" "$work/kvcd.mp2"
}
mjpeg_kvcd_video() {
  [[ -s "$work/kvcd.m1v" ]] || kvcd_video "$work/kvcd.m1v"
  cp "$work/kvcd.m1v" "$1"
}

# syncflash: black picture with one white frame at every whole second, silence
# with a 40 ms 1 kHz beep starting with that frame. The white frame is the
# first frame that starts at or after the whole second: F(k) =
# ceil(k * 30000/1001) * 1001/30000; the beep starts at F(k) too, so in the
# source every beep-to-flash offset is 0.
syncflash() {
  local fps=30000/1001
  local flash="lt(mod(N*1001,30000),1001)"   # frame N starts within one frame after a whole second
  local onset="ceil(floor(t)*30/1.001)*1.001/30"
  "${ff[@]}" -f lavfi -i "color=black:size=352x240:rate=$fps:duration=40,format=gray,geq=lum='255*$flash'" \
    -f lavfi -i "aevalsrc='0.7*sin(2*PI*1000*t)*gte(t,$onset)*lt(t,$onset+0.04)':sample_rate=44100:duration=40" \
    -target ntsc-vcd "${exact[@]}" "$1"
}

# Flash and beep from both VideoCD makers: one white frame and a 50 ms 1 kHz
# beep at every whole second, both starting with the first frame that starts
# at or after the second. syncflash_pal is ffmpeg's PAL VideoCD (25 frames a
# second: the whole seconds are frame starts); syncflash_mjpeg is mpeg2enc,
# mp2enc and mplex in their VideoCD formats, whose time stamps and packets
# differ from ffmpeg's.
flash_beep_wav() { # fps (as a fraction) seconds output
  local onset="ceil(floor(t)*$1)/($1)"
  "${ff[@]}" -f lavfi \
    -i "aevalsrc='0.7*sin(2*PI*1000*t)*gte(t,$onset)*lt(t,$onset+0.05)':sample_rate=44100:duration=$2" \
    -ac 2 -c:a pcm_s16le "$3"
}
flash_picture() { # rate size seconds: one white frame at every whole second
  local flash="lt(mod(N*$4,$5),$4)"
  echo "color=black:size=$2:rate=$1:duration=$3,format=gray,geq=lum='255*$flash'"
}
syncflash_pal() {
  flash_beep_wav 25 40 "$work/flash_pal.wav"
  "${ff[@]}" -f lavfi -i "$(flash_picture 25 352x288 40 1 25)" -i "$work/flash_pal.wav" \
    -target pal-vcd "${exact[@]}" "$1"
}
syncflash_mjpeg() {
  flash_beep_wav 30/1.001 40 "$work/flash_mj.wav"
  "${ff[@]}" -f lavfi -i "$(flash_picture 30000/1001 352x240 40 1001 30000)" -pix_fmt yuv420p \
    -f yuv4mpegpipe - | mpeg2enc -v 0 -f 1 -r 8 -4 4 -2 4 -o "$work/flash_mj.m1v"
  mp2enc -v 0 -b 224 -r 44100 -o "$work/flash_mj.mp2" <"$work/flash_mj.wav"
  mplex -v 0 -f 1 -o "$1" "$work/flash_mj.m1v" "$work/flash_mj.mp2"
}

# 30 minutes of VideoCD for the benchmarks: vcd_ntsc repeated, remultiplexed
# into one continuous stream.
long_vcd() {
  "${ff[@]}" -stream_loop 149 -i "$out/vcd_ntsc.mpg" -c copy -target ntsc-vcd "${exact[@]}" "$1"
}

# mpeg2enc is the slow one: its two files are made beside the others.
produce mjpeg_vcd.mpg "mpeg1video mp2" mjpeg_vcd &
mjpeg_vcd_job=$!
produce mjpeg_generic.mpg "mpeg1video mp2" mjpeg_generic &
mjpeg_generic_job=$!

produce vcd_ntsc.mpg "mpeg1video mp2" vcd_ntsc
produce vcd_pal.mpg "mpeg1video mp2" vcd_pal
produce vcd_film.mpg "mpeg1video mp2" vcd_film
produce vcd_short_sound.mpg "mpeg1video mp2" vcd_short_sound
produce vcd_two_audio.mpg "mpeg1video mp2 mp2" vcd_two_audio
produce sys_open.mpg "mpeg1video mp2" sys_open
produce sys_closed.mpg "mpeg1video mp2" sys_closed
produce sys_32k.mpg "mpeg1video mp2" sys_32k
produce sys_layer3.mpg "mpeg1video mp3" sys_layer3
produce sys_vbr.mpg "mpeg1video mp2" sys_vbr
produce sys_two_audio.mpg "mpeg1video mp2 mp2" sys_two_audio
produce video_only.mpv "mpeg1video" video_only
produce audio_only.mpa "mp2" audio_only
if command -v mp2enc >/dev/null; then
  produce audio_l1.mpa "mp1" audio_l1
fi
produce sound.wav "pcm_s16le" sound_wav
produce syncflash.mpg "mpeg1video mp2" syncflash
produce syncflash_pal.mpg "mpeg1video mp2" syncflash_pal
produce syncflash_mjpeg.mpg "mpeg1video mp2" syncflash_mjpeg
produce vcd_ntsc_60.mpg "mpeg1video mp2" vcd_ntsc_60
produce sys_open_30.mpg "mpeg1video mp2" sys_open_30
if [[ "${CW_CORPUS_LONG:-0}" == 1 ]]; then
  produce long_vcd.mpg "mpeg1video mp2" long_vcd
fi
produce mjpeg_kvcd.mpg "mpeg1video mp2" mjpeg_kvcd
produce mjpeg_kvcd.mpv "mpeg1video" mjpeg_kvcd_video
wait "$mjpeg_vcd_job"
wait "$mjpeg_generic_job"
