// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

// Sets GStreamer up and loads Qt's player plugin and what playing a file
// needs (without forPlayback, half a second later), on a thread of its own
// while the main thread builds the application and the window: the player's
// first sound comes that much sooner. Destroying it ends and waits for the thread.
class EngineWarmUp
{
public:
    explicit EngineWarmUp(bool forPlayback);
    ~EngineWarmUp();

    EngineWarmUp(const EngineWarmUp &) = delete;
    EngineWarmUp &operator=(const EngineWarmUp &) = delete;

private:
    void run(bool forPlayback, const QString &playerPlugin);

    std::thread thread;
    std::mutex mutex;
    std::condition_variable ended;
    bool ending = false;
};

// Ranks the light MP3 decoder (mpg123) above every other decoder of MPEG audio
// in this process, so that an MP3 does not load all of FFmpeg where its
// GStreamer plugin is installed; FFmpeg still plays what mpg123 cannot. Runs
// once per process, from whichever thread gets here first, and before the
// player is given a file; a user's own GST_PLUGIN_FEATURE_RANK wins.
void preferLightDecoders();
