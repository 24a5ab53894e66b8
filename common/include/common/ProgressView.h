#pragma once
// The "memo": the multi-line view that long jobs write progress into. The window implements it
// (queuing lines to the user-interface thread); tests record the lines; a null pointer means
// nobody is watching and nothing is written.

#include <string>

#include "common/Clock.h"

class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void InsertLine(const std::string& line) = 0;  // newest on top
  virtual void AppendLine(const std::string& line) = 0;  // newest at the bottom
  virtual void Clear() = 0;
  // Lets the interface show what it received (the window repaints); a no-op by default.
  virtual void ProcessEvents() {}
};

// A progress line: "dd/mm/yyyy hh:mm:ss" + " : " + text inserted at the top, then the view is
// allowed to breathe. Does nothing when view is null.
void InserirLinhaProgresso(ProgressView* view, const std::string& text,
                           const Clock* clock = nullptr);
