#!/usr/bin/env bash
# Rebuilds the committed fuzz seeds from a corpus made by scripts/make-corpus.sh:
# the heads of real files of every kind, plus a few tiny complete files so that
# the tail analyses see a real end of stream. Usage: make-seeds.sh CORPUSDIR
set -euo pipefail
corpus=${1:?usage: make-seeds.sh CORPUSDIR}
here=$(cd "$(dirname "$0")" && pwd)
seeds=$here/seeds
rm -rf "$seeds"
mkdir -p "$seeds/system" "$seeds/video" "$seeds/audio"
ff=(ffmpeg -nostdin -hide_banner -v error -y -fflags +bitexact)

head_of() { # file bytes kind
  head -c "$2" "$corpus/$1" >"$seeds/$3/head_${1%.*}"
}
head_of vcd_ntsc.mpg 32768 system
head_of vcd_film.mpg 16384 system
head_of sys_open.mpg 32768 system
head_of sys_closed.mpg 16384 system
head_of sys_layer3.mpg 16384 system
head_of sys_vbr.mpg 16384 system
head_of sys_two_audio.mpg 16384 system
head_of mjpeg_vcd.mpg 32768 system
head_of mjpeg_generic.mpg 16384 system
head_of video_only.mpv 32768 video
head_of audio_only.mpa 16384 audio
head_of audio_l1.mpa 16384 audio

tiny=(-f lavfi -i testsrc2=size=96x64:rate=25:duration=0.6 -f lavfi -i sine=frequency=440:sample_rate=32000:duration=0.6)
"${ff[@]}" "${tiny[@]}" -c:v mpeg1video -b:v 200k -minrate 200k -maxrate 200k -bufsize 160k -g 5 -bf 2 \
  -c:a mp2 -ac 1 -b:a 64k -f mpeg "$seeds/system/tiny_system.mpg"
"${ff[@]}" "${tiny[@]}" -map 0:v -c:v mpeg1video -b:v 200k -minrate 200k -maxrate 200k -bufsize 160k \
  -g 5 -bf 2 -f mpeg1video "$seeds/video/tiny_video.mpv"
"${ff[@]}" "${tiny[@]}" -map 1:a -c:a mp2 -ac 1 -b:a 64k -f mp2 "$seeds/audio/tiny_audio.mpa"
du -sh "$seeds"
