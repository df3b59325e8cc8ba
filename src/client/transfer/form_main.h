// The transfer controller: the non-visual half of the main window. It turns
// the settings in the form into one run (check, up to 1 + retries attempts
// on worker threads, body and header to their destinations, exit code) and,
// under -q, closes the window when the run is over.
//
// Everything here runs on the window's thread, driven by the window's
// events and the private messages of transfer_messages.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "client/options/command_line_option.h"
#include "client/transfer/control_table.h"
#include "client/transfer/form_model.h"
#include "client/transfer/form_view.h"
#include "client/transfer/net_http_plus.h"
#include "client/transfer/thread_connection.h"
#include "client/transfer/thread_retry.h"
#include "platform/stream.h"
#include "platform/system.h"
#include "platform/window_host.h"

namespace tolvar::client {

// Waits for a worker or retry thread, in milliseconds.
inline constexpr int kThreadWaitMs = 4000;

// The window's outer size at 96 dots per inch.
inline const platform::TWindowBounds kDesignBounds{0, 0, FormDesign().Width, FormDesign().Height};

class TFormMain : public platform::TWindowEvents {
 public:
  // `options` is read at creation and written at close; it must outlive
  // the form.
  explicit TFormMain(TCommandLineOption& options);
  // Stops a retry wait at once and releases what is left; a worker still
  // running at this point is left alive with everything it uses.
  ~TFormMain() override;
  TFormMain(const TFormMain&) = delete;
  TFormMain& operator=(const TFormMain&) = delete;

  // The creation step, once the window exists (`host` must outlive the
  // form's use of it: until FormDestroy).
  void FormCreate(platform::TWindowHost& host);
  void ButtonDownLoadClick();
  void ButtonAbortClick();
  // The destruction step: RunState 5, both streams released.
  void FormDestroy();
  // The POST/PUT box's change notification (the user's edits).
  void EditPostPutChange() { FPostDataEdited = true; }

  // platform::TWindowEvents
  std::intptr_t OnMessage(std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) override;
  void OnCloseRequest() override;
  void OnClose() override { FormClose(); }

  void SetRequestMethod(std::uint8_t index);
  std::uint8_t GetRequestMethod() const;
  void DisableSettings();
  void EnableSettings();

  // The window that shows the model (borrowed; null for none): read before
  // and shown after every step, as form_view.h says.
  void SetView(TFormView* view) { FView = view; }

  TFormModel& Model() { return FModel; }
  const TFormModel& Model() const { return FModel; }

  // State for tests and the window: whether an attempt or a retry wait is
  // in progress.
  bool Transferring() const { return FConnection.load() != nullptr; }
  bool WaitingForRetry() const { return FRetry.load() != nullptr; }
  std::int32_t RetriesLeft() const { return FRetriesLeft; }
  // A failure that escaped a message handler and closed the window.
  std::exception_ptr EscapedFailure() const { return FEscapedFailure; }

 private:
  // One controller step: reads the view in (unless `read` is false) when it
  // is the outermost one, and shows the model when it ends.
  class TStep;

  void HandleMessage(std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam);
  void FormClose();
  void ReportLine(const std::string& text);
  void AddLogLine(const std::string& text) { FModel.StatusLog.push_back(text); }
  void StartTransfer();
  void FinishTransfer(bool succeeded);
  // False when the header did not reach a destination whole (reported).
  bool WriteResponseHeader(TNetHTTPPlus& client);
  // The file `name`, or when it is empty or cannot be created (reported),
  // the standard handle `fallback` (a disk file there is written from `kept`
  // on, THandleExtendStream); null when neither can be had (reported).
  std::unique_ptr<platform::TStream> OpenDestination(const std::string& name, platform::StdStream fallback,
                                                     std::int64_t kept);
  void OpenBodyDestination();
  void CloseBodyDestination();
  // False when the data file cannot be opened or read whole (reported).
  bool OpenRequestSource();
  void CloseRequestSource();
  void OnStatusMessage(std::uintptr_t code);
  void CloseWindow();
  // The run is over: the exit code in the log, the settings editable again,
  // and under -q the window closes.
  void EndRun();
  // Stops a retry wait at once and releases its thread.
  void StopRetry();
  // weStop: tells a running worker to stop and disconnects its client;
  // weAwait: the worker has posted its end.
  enum class TWorkerEnd { weStop, weAwait };
  // Waits up to kThreadWaitMs for the worker taken out of FConnection, then
  // releases its thread object and hands back its client (null when it had
  // none). A worker that does not end is left alive with its client and
  // both streams (never free what a running thread uses): null then too.
  std::unique_ptr<TNetHTTPPlus> ReleaseWorker(std::unique_ptr<TThreadConnection> conn, TWorkerEnd how);
  bool Quiet() const;

  TCommandLineOption& FOptions;
  platform::TWindowHost* FHost = nullptr;
  TFormModel FModel;

  std::int32_t FProxyPortNumber = -1;
  std::int32_t FRetriesLeft = 0;
  std::int32_t FIntervalMs = 0;
  std::int32_t FTimeoutMs = 0;
  // The attempt under way (from 1), how many the run may make, and the
  // worker's report of its failure: a scripted run says it on standard error.
  std::int32_t FAttempt = 0;
  std::int32_t FAttempts = 1;
  std::string FAttemptFailure;
  // Where this run's body starts in standard output, measured once per run
  // when standard output is a disk file; -1 otherwise.
  std::int64_t FStdOutStart = -1;
  // Owned; each is taken out with an exchange against null before it is
  // released, so two handlers never release the same object. The client of
  // an attempt is owned through FConnection's Client.
  std::atomic<TThreadConnection*> FConnection{nullptr};
  std::atomic<TThreadRetry*> FRetry{nullptr};
  std::atomic<platform::TStream*> FBodyStream{nullptr};
  std::atomic<platform::TStream*> FSourceStream{nullptr};
  std::string FPostData;
  bool FPostDataEdited = false;
  std::exception_ptr FEscapedFailure;
  TFormView* FView = nullptr;
  int FStepDepth = 0;
};

}  // namespace tolvar::client
