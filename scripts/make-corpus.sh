#!/usr/bin/env bash
# Makes the test corpus with encoders and multiplexers from Debian (ffmpeg,
# mjpegtools). Usage: make-corpus.sh OUTDIR. Files that exist are kept.
set -euo pipefail
out=${1:?usage: make-corpus.sh OUTDIR}
mkdir -p "$out"
