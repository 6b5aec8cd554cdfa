// The summary that follows a benchmark run: each registered comparison divides one
// benchmark's time by another's (each time first divided by a count, for per-item times)
// and sets the ratio beside its goal.
#pragma once

#include <string>

struct RatioGoal {
    std::string label;
    std::string subject;
    double subjectItems = 1;
    std::string baseline;
    double baselineItems = 1;
    double goal = 0;  // the greatest ratio that meets the goal; 0 when there is none
};

// Registers a comparison at static initialisation; returns a value only so that it can.
bool AddRatio(RatioGoal ratio);
