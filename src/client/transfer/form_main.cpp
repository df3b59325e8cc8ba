#include "client/transfer/form_main.h"

#include <exception>
#include <limits>
#include <utility>

#include "client/support/exit_code.h"
#include "client/support/method.h"
#include "client/support/run_state.h"
#include "client/support/std_err.h"
#include "client/support/std_handle.h"
#include "client/transfer/attempt_client.h"
#include "client/transfer/attempt_outcome.h"
#include "client/transfer/failure_report.h"
#include "client/transfer/handle_extend_stream.h"
#include "client/transfer/request_data.h"
#include "client/transfer/settings_check.h"
#include "client/transfer/settings_copy.h"
#include "client/transfer/transfer_messages.h"
#include "client/transfer/transfer_texts.h"
#include "platform/handle_stream.h"
#include "platform/system.h"

namespace tolvar::client {
namespace {

// Takes an owned object out of its field; null when another handler took
// it first.
template <typename T>
std::unique_ptr<T> Take(std::atomic<T*>& field) {
  return std::unique_ptr<T>(field.exchange(nullptr));
}

// "ファイル \"<full path>\". <system text> を作成できません" and its open form.
std::string FileMessage(const std::string& name, const platform::EFileStreamError& e, const char* suffix) {
  return std::string(texts::kFilePrefix) + platform::FullPathName(name) + "\". " + e.SystemText() + suffix;
}

// The file a body or header goes to: created, or truncated when it exists,
// for reading and writing, not shared. A name that reaches no disk file (a
// device such as /dev/null or NUL, a pipe, a terminal) can be neither sized
// nor measured: it is written through a counting stream, as standard output
// is.
std::unique_ptr<platform::TStream> CreateDestinationFile(const std::string& name) {
  auto file =
      std::make_unique<platform::TFileStream>(name, platform::TFileMode::fmCreate, platform::TFileShare::fsExclusive);
  if (platform::GetHandleKind(file->Handle()) == platform::HandleKind::kDisk) return file;
  const platform::TOSHandle handle = file->Handle();
  return std::make_unique<THandleExtendStream>(handle, -1, std::move(file));
}

// Where this run's output starts in standard output when that is a disk
// file (its size now, so that ">>" keeps what the file held); -1 otherwise.
std::int64_t StdOutRunStart() {
  const platform::TOSHandle out = platform::GetStdHandle(platform::StdStream::kOutput);
  if (platform::GetHandleKind(out) != platform::HandleKind::kDisk) return -1;
  // Seeks to the end and back: the position is left as it was.
  platform::THandleStream probe(out);
  const std::int64_t size = probe.GetSize();
  return size >= 0 ? size : -1;
}

}  // namespace

class TFormMain::TStep {
 public:
  explicit TStep(TFormMain& form, bool read = true) : form_(form) {
    if (form_.FStepDepth++ == 0 && read && form_.FView != nullptr) form_.FView->ReadModel(form_.FModel);
  }
  ~TStep() {
    if (--form_.FStepDepth == 0 && form_.FView != nullptr) form_.FView->ShowModel(form_.FModel);
  }
  TStep(const TStep&) = delete;
  TStep& operator=(const TStep&) = delete;

 private:
  TFormMain& form_;
};

TFormMain::TFormMain(TCommandLineOption& options) : FOptions(options) {}

TFormMain::~TFormMain() {
  StopRetry();
  // Only when the window went without a close request while a worker ran:
  // stop it as a close would (a worker left running keeps both streams).
  if (auto conn = Take(FConnection)) ReleaseWorker(std::move(conn), TWorkerEnd::weStop);
  CloseBodyDestination();
  CloseRequestSource();
}

std::unique_ptr<TNetHTTPPlus> TFormMain::ReleaseWorker(std::unique_ptr<TThreadConnection> conn, TWorkerEnd how) {
  if (how == TWorkerEnd::weStop) {
    conn->Terminate();
    if (conn->Client) conn->Client->Disconnect();
  }
  // The worker may be blocked reporting its failure to this window: while
  // the window exists the wait serves that report so the worker can go on.
  const bool ended = FHost != nullptr ? FHost->WaitServingSends(conn->Finished(), kThreadWaitMs)
                                      : conn->Finished().WaitFor(kThreadWaitMs);
  if (!ended) {
    // It still uses the client, the streams and its own object: all of them
    // stay alive with it, and the process ends around it.
    (void)conn.release();
    (void)FBodyStream.exchange(nullptr);
    (void)FSourceStream.exchange(nullptr);
    return nullptr;
  }
  std::unique_ptr<TNetHTTPPlus> client(std::exchange(conn->Client, nullptr));
  conn.reset();
  return client;
}

bool TFormMain::Quiet() const {
  return (FOptions.FFlags & ofQuiet) != 0;
}

void TFormMain::FormCreate(platform::TWindowHost& host) {
  // The controls are empty yet: nothing to read, everything to show.
  TStep step(*this, false);
  FHost = &host;
  const TRect& r = FOptions.FPositionMain;
  const std::int64_t width = std::int64_t{r.Right} - r.Left + 1;
  const std::int64_t height = std::int64_t{r.Bottom} - r.Top + 1;
  if (width > 1 && height > 1 && width <= std::numeric_limits<std::int32_t>::max() &&
      height <= std::numeric_limits<std::int32_t>::max()) {
    FHost->SetBounds({r.Left, r.Top, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)});
  }
  // Under -q the window starts minimised; the program body shows it so.
  FConnection = nullptr;
  FRetry = nullptr;
  SettingsToModel(FOptions, FModel);
  if (Quiet()) platform::PostWindowMessage(FHost->Handle(), WM_TRANSFER_COMMAND, kCommandStart, 0);
  FBodyStream = nullptr;
  FSourceStream = nullptr;
  // The -fs text is kept apart: the one-line box cannot hold every byte of
  // it (line breaks), so it is sent and saved unchanged unless the user
  // edits the box.
  FPostData = FOptions.FPostPutData;
  FPostDataEdited = false;
  RunState = 2;
}

void TFormMain::SetRequestMethod(std::uint8_t index) {
  FModel.RadioGroupMethod.ItemIndex = index & 0x7F;
}

std::uint8_t TFormMain::GetRequestMethod() const {
  return static_cast<std::uint8_t>(FModel.RadioGroupMethod.ItemIndex);
}

void TFormMain::DisableSettings() {
  SetSettingsEnabled(FModel, false);
}

void TFormMain::EnableSettings() {
  SetSettingsEnabled(FModel, true);
  if (!Quiet()) ++FModel.LogScrolledToEnd;
}

void TFormMain::ReportLine(const std::string& text) {
  AddLogLine(text);
  WriteStdErrLine(text, StdErrLineEnd(FOptions));
}

void TFormMain::CloseWindow() {
  if (FHost != nullptr) FHost->Close();
}

void TFormMain::ButtonDownLoadClick() {
  TStep step(*this);
  DisableSettings();
  const TSettingsCheck check = CheckSettings(FModel);
  for (const std::string& message : check.Messages) ReportLine(message);
  FProxyPortNumber = check.ProxyPort;
  FRetriesLeft = check.Retries;
  FIntervalMs = check.IntervalMs;
  FTimeoutMs = check.TimeoutMs;
  FAttempt = 0;
  FAttempts = check.Retries + 1;
  // Once per run: every attempt's body starts there again.
  FStdOutStart = StdOutRunStart();
  if (!check.Ok()) {
    EnableSettings();
    FOptions.FExitCode = ecBadSettings;
    if (Quiet()) CloseWindow();
    return;
  }
  StartTransfer();
}

void TFormMain::StartTransfer() {
  FOptions.FExitCode = ecSuccess;
  ++FAttempt;
  FAttemptFailure.clear();
  auto client = NewAttemptClient(FModel, FProxyPortNumber, FTimeoutMs, FOptions.FUserAgent);
  // The status event runs on the worker thread: it only posts.
  const platform::WindowHandle window = FHost->Handle();
  client->OnStatus = [window](transport::TNetComponent*, transport::TNetStatus status, const std::string&) {
    if (status == transport::hsResolving) {
      platform::PostWindowMessage(window, WM_TRANSFER_STATUS, kStatusResolving, 0);
    } else if (status == transport::hsConnected) {
      platform::PostWindowMessage(window, WM_TRANSFER_STATUS, kStatusConnected, 0);
    }
  };
  // An installed handler (https) reports its own steps, such as resolving.
  if (auto handler = client->IOHandler()) handler->OnStatus = client->OnStatus;

  // The data first: a request whose data cannot be had is never sent, and
  // then no body file has been emptied for nothing.
  if (!OpenRequestSource()) {
    client.reset();
    FOptions.FExitCode = ecBadSettings;
    FRetriesLeft = 0;
    EndRun();
    return;
  }
  OpenBodyDestination();
  if (FBodyStream.load() == nullptr) {
    // Nothing can receive the body: a run that fetched nothing must not
    // report success, nor leave the settings locked or the client alive.
    client.reset();
    CloseRequestSource();
    FOptions.FExitCode = ecFileAccess;
    FRetriesLeft = 0;
    EndRun();
    return;
  }

  auto conn = std::make_unique<TThreadConnection>(true);
  conn->NotifyWindow = window;
  conn->RequestUrl = FModel.EditUrl.Text;
  conn->SourceStream = FSourceStream.load();
  conn->ResponseStream = FBodyStream.load();
  conn->MethodIndex = GetRequestMethod();
  conn->Client = client.release();
  TThreadConnection* worker = conn.release();
  FConnection = worker;
  try {
    worker->Start();
  } catch (const std::exception& e) {
    // No thread: nothing will report the end of this attempt.
    if (auto taken = Take(FConnection)) std::unique_ptr<TNetHTTPPlus> gone(std::exchange(taken->Client, nullptr));
    AddLogLine(std::string(MethodName(GetRequestMethod())) + ": " + e.what());
    CloseRequestSource();
    CloseBodyDestination();
    FOptions.FExitCode = ecConnection;
    FRetriesLeft = 0;
    EndRun();
  }
}

std::unique_ptr<platform::TStream> TFormMain::OpenDestination(const std::string& name, platform::StdStream fallback,
                                                              std::int64_t kept) {
  std::unique_ptr<platform::TStream> stream;
  if (!name.empty()) {
    try {
      stream = CreateDestinationFile(name);
    } catch (const platform::EFileStreamError& e) {
      ReportLine(FileMessage(name, e, texts::kCannotCreateSuffix));
    }
  }
  if (!stream) {
    try {
      stream = std::make_unique<THandleExtendStream>(platform::GetStdHandle(fallback), kept);
    } catch (const std::exception& e) {
      ReportLine(e.what());
    }
  }
  return stream;
}

void TFormMain::OpenBodyDestination() {
  CloseBodyDestination();
  std::unique_ptr<platform::TStream> stream =
      OpenDestination(FModel.EditBody.Text, platform::StdStream::kOutput, FStdOutStart);
  std::unique_ptr<platform::TStream> old(FBodyStream.exchange(stream.release()));
}

void TFormMain::CloseBodyDestination() {
  // Only standard handles are ever wrapped in a THandleExtendStream here,
  // and those are never closed; a file stream closes its own file.
  Take(FBodyStream);
}

bool TFormMain::OpenRequestSource() {
  CloseRequestSource();
  std::unique_ptr<platform::TStream> stream;
  const std::string& text = FModel.EditPostPut.Text;
  if (!text.empty() && GetRequestMethod() != miGet) {
    if (FModel.CheckBoxPostPutAsFileName.Checked) {
      TRequestData data = OpenRequestData(text);
      if (!data.Stream) {
        ReportLine(data.Failure);
        return false;
      }
      stream = std::move(data.Stream);
    } else {
      if (FPostDataEdited) FPostData = text;
      auto memory = std::make_unique<platform::TMemoryStream>();
      memory->Write(FPostData.data(), static_cast<std::int32_t>(FPostData.size()));
      memory->SetPosition(0);
      stream = std::move(memory);
    }
  }
  std::unique_ptr<platform::TStream> old(FSourceStream.exchange(stream.release()));
  return true;
}

void TFormMain::CloseRequestSource() {
  Take(FSourceStream);
}

void TFormMain::FinishTransfer(bool succeeded) {
  auto conn = Take(FConnection);
  if (!conn) {
    FOptions.FExitCode = ExitCodeOf({.Closed = true});
    return;
  }
  TAttemptOutcome outcome;
  outcome.Aborted = FOptions.FExitCode != ecSuccess;
  if (!outcome.Aborted) AddLogLine(texts::kConnectionClosed);
  std::unique_ptr<TNetHTTPPlus> client = ReleaseWorker(std::move(conn), TWorkerEnd::weAwait);
  if (!client) {
    // The worker posted its end and yet has not left.
    FOptions.FExitCode = ExitCodeOf({.Closed = true});
    FRetriesLeft = 0;
    EndRun();
    return;
  }
  const std::string& header = client->HeaderText();
  AddTextLines(FModel.StatusLog, header);
  platform::TStream* body = FBodyStream.load();
  outcome.BodyCount = body != nullptr ? body->GetSize() : 0;
  AddLogLine("Length(Header)=" + std::to_string(header.size()) + ", Length(Body)=" + std::to_string(outcome.BodyCount));
  outcome.Succeeded = succeeded;
  outcome.ContentLength = client->Response().ContentLength();
  auto* extend = dynamic_cast<THandleExtendStream*>(body);
  outcome.WriteFailed = extend != nullptr && extend->WriteFailed();

  outcome.StatusCode = client->Response().StatusCode();
  outcome.HeaderWritten = WriteResponseHeader(*client);
  FOptions.FExitCode = ExitCodeOf(outcome);
  // After the header text, so a script reading standard error sees the
  // answer first and the reason right below it.
  if (Quiet()) {
    const TMessageText reason = FailureLine({.WorkerText = FAttemptFailure,
                                             .Url = FModel.EditUrl.Text,
                                             .Location = client->Response().Location,
                                             .Outcome = outcome,
                                             .Attempt = FAttempt,
                                             .Attempts = FAttempts,
                                             .MethodIndex = GetRequestMethod()});
    if (!reason.Bytes().empty()) WriteStdErrLine(reason, StdErrLineEnd(FOptions));
  }
  // Before a retry, this attempt's body bytes in standard output (or a
  // device named for the body) must be taken back; where they cannot be,
  // no retry is made.
  bool handed_on = false;
  if (extend != nullptr && extend->Written() > 0 && FOptions.FExitCode != ecSuccess && FRetriesLeft > 0)
    handed_on = !extend->TakeBack();

  CloseRequestSource();
  CloseBodyDestination();
  client.reset();
  const TNextStep next = NextStepOf(static_cast<TExitCode>(FOptions.FExitCode), FRetriesLeft, handed_on);
  FOptions.FExitCode = next.Code;
  if (next.RetryRefused) ReportLine(texts::kNoRetryAfterBodyPassedOn);
  if (!next.Retry) FRetriesLeft = 0;
  if (FRetriesLeft > 0) {
    --FRetriesLeft;
    AddLogLine(std::to_string(FIntervalMs / 1000) + texts::kRetryInSuffix);
    if (Quiet()) WriteStdErrLine(RetryLine(FIntervalMs), StdErrLineEnd(FOptions));
    AddLogLine("");
    if (FRetry.load() == nullptr) {
      auto retry = std::make_unique<TThreadRetry>();
      retry->IntervalMs = FIntervalMs;
      retry->NotifyWindow = FHost->Handle();
      TThreadRetry* r = retry.release();
      FRetry = r;
      r->Start();
    }
    return;
  }
  EndRun();
}

void TFormMain::EndRun() {
  AddLogLine("ExitCode=" + std::to_string(FOptions.FExitCode));
  EnableSettings();
  if (Quiet()) CloseWindow();
}

bool TFormMain::WriteResponseHeader(TNetHTTPPlus& client) {
  std::unique_ptr<platform::TStream> stream = OpenDestination(FModel.EditHeader.Text, platform::StdStream::kError, -1);
  if (!stream) return false;
  const std::string& header = client.HeaderText();
  try {
    stream->WriteBuffer(header.data(), static_cast<std::int32_t>(header.size()));
  } catch (const std::exception& e) {
    ReportLine(e.what());
    return false;
  }
  return true;
}

void TFormMain::ButtonAbortClick() {
  TStep step(*this);
  TThreadConnection* conn = FConnection.load();
  if (conn == nullptr) {
    CloseWindow();
    return;
  }
  FRetriesLeft = 0;
  platform::PostWindowMessage(FHost->Handle(), WM_TRANSFER_STATUS, kStatusAborting, 0);
  if (conn->Client) conn->Client->Disconnect();
  FOptions.FExitCode = ecConnection;
}

void TFormMain::OnStatusMessage(std::uintptr_t code) {
  switch (code) {
    case kStatusResolving:
      AddLogLine(texts::kHostResolved);
      break;
    case kStatusConnected:
      RunState = 3;
      AddLogLine(texts::kConnected);
      break;
    case kStatusAborting:
      AddLogLine(texts::kAborting);
      break;
    default:
      break;
  }
}

std::intptr_t TFormMain::OnMessage(std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) {
  TStep step(*this);
  // Nothing may unwind through the window system; a failure that escapes a
  // handler ends the window and is raised again by the program body.
  try {
    HandleMessage(msg, wparam, lparam);
  } catch (...) {
    if (!FEscapedFailure) FEscapedFailure = std::current_exception();
    CloseWindow();
  }
  return 0;
}

void TFormMain::HandleMessage(std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) {
  if (msg == WM_TRANSFER_COMMAND) {
    if (wparam == kCommandStart) {
      ButtonDownLoadClick();
    } else if (wparam == kCommandRetryDue) {
      if (auto retry = Take(FRetry)) {
        retry.reset();
        StartTransfer();
      }
    } else if (wparam == kCommandFinished) {
      FinishTransfer(lparam != 0);
    }
  } else if (msg == WM_TRANSFER_ERROR) {
    if (lparam != 0) {
      FAttemptFailure = reinterpret_cast<const char*>(lparam);
      AddLogLine(FAttemptFailure);
    }
  } else if (msg == WM_TRANSFER_STATUS) {
    OnStatusMessage(wparam);
  }
}

void TFormMain::OnCloseRequest() {
  TStep step(*this);
  if (auto conn = Take(FConnection)) {
    // The stopped worker posts no end, so no attempt result follows: a run
    // closed before its transfer finished ends as an aborted one. A retry
    // wait holds no attempt and keeps the code of the last one.
    FOptions.FExitCode = ExitCodeOf({.Closed = true});
    ReleaseWorker(std::move(conn), TWorkerEnd::weStop);
  }
  StopRetry();
}

void TFormMain::StopRetry() {
  if (auto retry = Take(FRetry)) {
    retry->Terminate();
    // The thread only sleeps and wakes at once; a thread that still has not
    // ended is left alive rather than waited for without bound.
    if (!retry->Finished().WaitFor(kThreadWaitMs)) (void)retry.release();
  }
}

void TFormMain::FormClose() {
  TStep step(*this);
  ModelToSettings(FModel, FOptions);
  if (FHost != nullptr) {
    const platform::TWindowBounds b = FHost->Bounds();
    FOptions.FPositionMain = TRect{b.left, b.top, b.left + b.width - 1, b.top + b.height - 1};
  }
  FOptions.FPostPutData = FPostDataEdited ? FModel.EditPostPut.Text : FPostData;
}

void TFormMain::FormDestroy() {
  RunState = 5;
  // A retry wait left by an Abort press must not hold the process.
  StopRetry();
  CloseBodyDestination();
  CloseRequestSource();
  FHost = nullptr;
}

}  // namespace tolvar::client
