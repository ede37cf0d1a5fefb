// How closely the layer's message loop keeps a timer's beat: a headless
// window, SetTimer at 250, 100 and 25 ms, and the time each WM_TIMER reaches
// the window procedure. Per interval: the mean and 99th-percentile error of
// the gaps between ticks against the requested interval, and the drift of
// the last tick against n whole intervals after SetTimer.
//
//   tick_timing           200 ticks each, about 75 s
//   tick_timing --quick   20 ticks each, about 8 s

#include <windows.h>

#include <win32_testing.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT_PTR TICK_TIMER = 7;

std::vector<Clock::time_point> ticks;
size_t wanted = 0;

LRESULT CALLBACK RecordTicks(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == TICK_TIMER) {
        ticks.push_back(Clock::now());
        if (ticks.size() == wanted) {
            KillTimer(window, TICK_TIMER);
            PostQuitMessage(0);
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void Measure(HWND window, UINT interval, size_t count) {
    ticks.clear();
    ticks.reserve(count);
    wanted = count;
    SetTimer(window, TICK_TIMER, interval, NULL);
    Clock::time_point start = Clock::now();
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0))
        DispatchMessageA(&msg);

    std::vector<double> errors;
    double sum = 0, sumAbs = 0;
    Clock::time_point previous = start;
    for (Clock::time_point tick : ticks) {
        double error = Ms(tick - previous) - interval;
        errors.push_back(std::fabs(error));
        sum += error;
        sumAbs += std::fabs(error);
        previous = tick;
    }
    std::sort(errors.begin(), errors.end());
    size_t p99 = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(errors.size()))) - 1;
    double drift = Ms(ticks.back() - start) - static_cast<double>(count) * interval;
    printf("interval_ms=%u ticks=%zu mean_error_ms=%.3f mean_abs_error_ms=%.3f "
           "p99_abs_error_ms=%.3f max_abs_error_ms=%.3f drift_ms=%.3f\n",
           interval, count, sum / static_cast<double>(count), sumAbs / static_cast<double>(count),
           errors[p99], errors.back(), drift);
    fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    bool quick = argc > 1 && strcmp(argv[1], "--quick") == 0;
    size_t count = quick ? 20 : 200;

    TestingSetHeadless(true);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecordTicks;
    windowClass.lpszClassName = "TickTiming";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "TickTiming", "Tick timing", WS_OVERLAPPED, 0, 0, 100, 100,
                                  NULL, NULL, NULL, NULL);
    if (window == NULL) {
        fprintf(stderr, "tick_timing: no window\n");
        return 1;
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    for (UINT interval : {250u, 100u, 25u})
        Measure(window, interval, count);
    DestroyWindow(window);
    return 0;
}
