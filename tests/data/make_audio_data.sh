#!/usr/bin/env bash
# Regenerates the small Ogg Vorbis files the audio tests decode (needs sox).
#   audio_tone11k.ogg   mono, 11000 Hz, 0.5 s, 440 Hz sine at half scale
#   audio_stereo22k.ogg stereo, 22050 Hz, 0.25 s, 300 Hz left and 600 Hz right
#   audio_noise22k.ogg  mono, 22050 Hz, 1 s of pink noise (data pages beyond the
#                       decoder's first reads, for the read-error test)
set -euo pipefail
cd "$(dirname "$0")"
sox -V1 -n -r 11000 -c 1 audio_tone11k.ogg synth 0.5 sine 440 vol 0.5
sox -V1 -n -r 22050 -c 2 audio_stereo22k.ogg synth 0.25 sine 300 sine 600 vol 0.5
sox -V1 -n -r 22050 -c 1 audio_noise22k.ogg synth 1 pinknoise vol 0.3
