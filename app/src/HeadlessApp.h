#pragma once
// The agent without a display: the same start-up line, timers and jobs as the window, until
// SIGTERM or SIGINT.

int RunHeadless();
