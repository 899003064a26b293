// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Keeps what our player has queued in the sound server short, so that a
// mute or a volume change is heard at once. Call it after the first
// QMediaPlayer is made and before a file is given to it; later calls do nothing.
void keepSoundQueueShort();

// Whether the audio sink last picked for our player found no sound server (nor
// any other output) and plays into nothing. Known once a file is loaded; a
// file loaded again looks for one again.
bool soundOutputMissing();
