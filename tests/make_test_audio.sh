#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the small audio files the tests play. MP3s come from lame (which writes
# the duration header the player needs), tags from lame's own ID3v2 options.
set -eu
out=$1
mkdir -p "$out"
cd "$out"

# 3 s of a 440 Hz sine at half scale, 44.1 kHz stereo.
sox -n -r 44100 -c 2 -b 16 tone.wav synth 3 sine 440 vol 0.5
lame --quiet --noreplaygain -b 128 --id3v2-only \
    --tt "Chanson d'essai" --tl "Album d'essai" --tv "TPE2=Groupe d'essai" tone.wav tagged.mp3
lame --quiet --noreplaygain -b 128 tone.wav untagged.mp3
lame --quiet --noreplaygain -b 128 --id3v2-only --ta "Seulement l'artiste" tone.wav artist_only.mp3
lame --quiet --noreplaygain -b 128 --id3v2-only \
    --tt "<b>gras</b> <img src=x>" --tl "<i>italique</i>" --tv "TPE2=<a href=\"x\">lien</a>" tone.wav markup.mp3

# The choice of decoder: only FFmpeg's GStreamer plugin decodes MS ADPCM, only
# mpg123 a free-format MP3.
sox tone.wav -e ms-adpcm adpcm.wav
lame --quiet --noreplaygain --freeformat -b 400 tone.wav freeformat.mp3

# 12 s, long enough to seek into the middle while it plays.
sox -n -r 44100 -c 2 -b 16 long.wav synth 12 sine 440 vol 0.5
lame --quiet --noreplaygain -b 128 long.wav long.mp3

# 6 s of the same tone, to cut in the middle, or to pause in and resume.
sox -n -r 44100 -c 2 -b 16 sine6.wav synth 6 sine 440 vol 0.5
lame --quiet --noreplaygain -b 128 sine6.wav sine6.mp3

# 20 s to step the volume through its levels while it plays. It stays a WAV:
# lame's encoding of this tone comes out about 5 % quieter, and volume 100 is
# to be compared with the very samples that are played.
sox -n -r 44100 -c 2 -b 16 sine20.wav synth 20 sine 440 vol 0.5

# Tags of 10,000 characters, which the window must not widen to show.
long=$(printf 'x%.0s' $(seq 10000))
lame --quiet --noreplaygain -b 128 --id3v2-only --tt "$long" --tl Album --tv "TPE2=$long" tone.wav long_tags.mp3

# 100 s with a cover and a track artist beside the album artist: long enough
# for an arrow key's 5 s and a page's tenth of the track.
convert -size 24x16 gradient:navy-gold -depth 8 cover.png
sox -n -r 44100 -c 1 -b 16 cover.wav synth 100 sine 440 vol 0.5
lame --quiet --noreplaygain -b 64 --id3v2-only --ti cover.png --tt "Chanson illustrée" --tl "Album d'essai" \
    --ta "Interprète d'essai" --tv "TPE2=Groupe d'essai" cover.wav cover.mp3
rm cover.wav
