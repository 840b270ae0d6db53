#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <ctime>
#include <functional>

namespace ambitra {

// Wall and processor seconds of one run; a machine shared with other work
// stretches the wall time, the processor time shows what the run itself cost.
struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
};

inline Timing seconds(const std::function<void()>& work) {
    QElapsedTimer timer;
    const std::clock_t started = std::clock();
    timer.start();
    work();
    return {static_cast<double>(timer.nsecsElapsed()) / 1e9,
            static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC};
}

// Keeps the fastest of the runs, wall and processor time each.
inline void keepBest(Timing& best, const Timing& run) {
    best.wall = std::min(best.wall, run.wall);
    best.cpu = std::min(best.cpu, run.cpu);
}

}  // namespace ambitra
