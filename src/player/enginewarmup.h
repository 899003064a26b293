#ifndef ENGINEWARMUP_H
#define ENGINEWARMUP_H

#include <thread>

// Sets GStreamer up, and loads what playing a file needs, on a thread of its
// own while the main thread builds the application and the window: the
// player's first sound comes that much sooner. Destroying it waits for the
// thread.
class EngineWarmUp
{
public:
    explicit EngineWarmUp(bool forPlayback);
    ~EngineWarmUp();

    EngineWarmUp(const EngineWarmUp &) = delete;
    EngineWarmUp &operator=(const EngineWarmUp &) = delete;

private:
    std::thread thread;
};

#endif // ENGINEWARMUP_H
