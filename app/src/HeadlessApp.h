#pragma once
// The agent without a display: the same start-up, timers, jobs and log lines as the window,
// until SIGTERM, SIGINT or SIGHUP. The log pane's lines go to standard output.

int RunHeadless(int argc, char** argv);
