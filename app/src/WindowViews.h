#pragma once
// The window's side of what jobs report while they run on a worker: the log pane as a progress
// view and the title bar's FTP lights. Both may be called from any thread; changes are queued to
// the window's thread and applied there in the order they were made. Make them on the window's
// thread, and keep them until every job that holds them has ended.

#include <QPointer>
#include <QString>
#include <memory>
#include <mutex>
#include <vector>

#include "AgentJobs.h"
#include "common/ProgressView.h"

class GuiRelay;
class QPlainTextEdit;
class QWidget;

class MemoProgressView final : public ProgressView {
 public:
  explicit MemoProgressView(QPlainTextEdit* memo);
  ~MemoProgressView() override;
  MemoProgressView(const MemoProgressView&) = delete;
  MemoProgressView& operator=(const MemoProgressView&) = delete;

  void InsertLine(const std::string& line) override;
  void AppendLine(const std::string& line) override;
  void Clear() override;
  // On the window's thread: shows what is pending and lets the window repaint. Elsewhere nothing
  // is needed, since the window's thread is free.
  void ProcessEvents() override;

 private:
  enum class Kind { Insert, Append, Clear };
  struct Step {
    Kind kind;
    QString text;
  };
  void Post(Step step);
  void Flush();

  QPointer<QPlainTextEdit> FMemo;
  std::mutex FMutex;
  std::vector<Step> FPending;  // guarded by FMutex
  bool FFlushQueued = false;   // guarded by FMutex; one queued flush carries every pending step
  // Last member, so it goes first: a flush still queued is dropped with it.
  std::unique_ptr<GuiRelay> FRelay;
};

class WidgetConnectionLights final : public ConnectionLights {
 public:
  WidgetConnectionLights(QWidget* green, QWidget* red);
  ~WidgetConnectionLights() override;
  WidgetConnectionLights(const WidgetConnectionLights&) = delete;
  WidgetConnectionLights& operator=(const WidgetConnectionLights&) = delete;

  void SetGreenVisible(bool visible) override;
  void SetRedVisible(bool visible) override;

 private:
  void Apply(QWidget* light, bool visible);

  QPointer<QWidget> FGreen;
  QPointer<QWidget> FRed;
  std::unique_ptr<GuiRelay> FRelay;
};
