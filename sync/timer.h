// Sync::Timer: what the sync code needs from the music clock.
//
// Four operations in a fixed slot order (pause, play, setRow, isPlaying), no
// data. Rows are positions on the music's timeline (see the timer that
// implements this). The interface has no virtual destructor: its one
// implementation is created and deleted through its own concrete type, so the
// destructor is protected here, which makes a delete through a Sync::Timer*
// (which would skip the concrete destructor) fail to compile instead of
// misbehaving. Implementations should be declared `final` so that deleting
// them through their own type raises no warning either.
#pragma once

namespace Sync {

class Timer {
  public:
    virtual void pause() = 0;
    virtual void play() = 0;
    virtual void setRow(float row) = 0;
    virtual bool isPlaying() = 0;

  protected:
    Timer() = default;
    Timer(const Timer&) = default;
    Timer& operator=(const Timer&) = default;
    ~Timer() = default;
};

} // namespace Sync
