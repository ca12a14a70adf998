#pragma once
// The tool area right of the main window's tab column, and how panes slide
// across it.

#include <functional>

class QWidget;

namespace toolkit {

// The tool area every tool screen and side panel fills.
constexpr int kToolWidth = 730;
constexpr int kToolHeight = 580;
// How long a pane or a tool screen takes to slide in or out.
constexpr int kSlideMs = 500;

// A pane comes in by being placed at x = 730, shown, raised and moved to
// (0, 0); `finished` runs once it is there.
void slideIn(QWidget* pane, std::function<void()> finished = {});
// A pane goes out by moving to (x, 0) and being hidden at the end; a pane
// deleted on the way is left alone, `finished` still runs.
void slideOut(QWidget* pane, int x = kToolWidth, std::function<void()> finished = {});

} // namespace toolkit
