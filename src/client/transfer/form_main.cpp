#include "client/transfer/form_main.h"

#include <exception>
#include <limits>
#include <optional>
#include <utility>

#include "client/entry/run_state.h"
#include "client/support/method.h"
#include "client/support/std_err.h"
#include "client/support/std_handle.h"
#include "client/support/text.h"
#include "client/transfer/handle_extend_stream.h"
#include "client/transfer/transfer_messages.h"
#include "client/transfer/transfer_texts.h"
#include "http/number.h"
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

// Seconds as typed into a masked box, in milliseconds, held within the
// 32-bit range.
std::int32_t SecondsToMs(std::int32_t seconds) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  if (seconds > kMax / 1000) return kMax;
  if (seconds < kMin / 1000) return kMin;
  return seconds * 1000;
}

// "ファイル \"<full path>\". <system text> を作成できません" and its open form.
std::string FileMessage(const std::string& name, const platform::EFileStreamError& e, const char* suffix) {
  return std::string(texts::kFilePrefix) + platform::FullPathName(name) + "\". " + e.SystemText() + suffix;
}

// The file a body or header goes to: created, or truncated when it exists,
// for reading and writing, not shared.
std::unique_ptr<platform::TStream> CreateDestinationFile(const std::string& name) {
  return std::make_unique<platform::TFileStream>(name, platform::TFileMode::fmCreate,
                                                 platform::TFileShare::fsExclusive);
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
  if (auto conn = Take(FConnection)) {
    // Only when the window went without a close request while a worker ran:
    // stop it as a close would, and never free what it may still use.
    conn->Terminate();
    if (conn->Client) conn->Client->Disconnect();
    if (!conn->Finished().WaitFor(kThreadWaitMs)) {
      (void)conn.release();
      (void)FBodyStream.exchange(nullptr);
      (void)FSourceStream.exchange(nullptr);
      return;
    }
    std::unique_ptr<TNetHTTPPlus> client(std::exchange(conn->Client, nullptr));
  }
  CloseBodyDestination();
  CloseRequestSource();
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
  SetRequestMethod(FOptions.FMethod);
  FModel.EditUrl.Text = FOptions.FUrl;
  FModel.EditReferer.Text = FOptions.FReferer;
  FModel.EditProxy.Text = FOptions.FProxyHost;
  FModel.EditProxyPort.Text = FOptions.FProxyPort;
  FModel.EditHeader.Text = FOptions.FHeaderFile;
  FModel.EditBody.Text = FOptions.FBodyFile;
  FModel.EditUserName.Text = FOptions.FUserName;
  FModel.MaskEditPassWord.SetValue(FOptions.FPassword);
  FModel.MaskEditRetrys.SetValue(FOptions.FRetrys);
  FModel.MaskEditInterval.SetValue(FOptions.FInterval);
  FModel.MaskEditTimeOut.SetValue(FOptions.FTimeOut);
  if (Quiet()) platform::PostWindowMessage(FHost->Handle(), WM_TRANSFER_COMMAND, kCommandStart, 0);
  FBodyStream = nullptr;
  FSourceStream = nullptr;
  // The -fs text is kept apart: the one-line box cannot hold every byte of
  // it (line breaks), so it is sent and saved unchanged unless the user
  // edits the box.
  FPostData = FOptions.FPostPutData;
  FModel.EditPostPut.Text = FPostData;
  FPostDataEdited = false;
  FModel.CheckBoxPostPutAsFileName.Checked = FOptions.FPostPutAsFileName;
  FModel.ButtonOpenPostPut.Enabled = FOptions.FPostPutAsFileName;
  RunState = 2;
}

void TFormMain::SetRequestMethod(std::uint8_t index) {
  FModel.RadioGroupMethod.ItemIndex = index & 0x7F;
}

std::uint8_t TFormMain::GetRequestMethod() const {
  return static_cast<std::uint8_t>(FModel.RadioGroupMethod.ItemIndex);
}

void TFormMain::DisableSettings() {
  FModel.ButtonConnect.Enabled = false;
  FModel.RadioGroupMethod.Enabled = false;
  FModel.CheckBoxPostPutAsFileName.Enabled = false;
  FModel.ButtonOpenPostPut.Enabled = false;
  for (TEditControl* e : {&FModel.EditUrl, &FModel.EditReferer, &FModel.EditPostPut, &FModel.EditProxy,
                          &FModel.EditProxyPort, &FModel.EditHeader, &FModel.EditBody, &FModel.EditUserName}) {
    LockEdit(*e);
  }
  FModel.ButtonSaveAsHeader.Enabled = false;
  FModel.ButtonSaveAsBody.Enabled = false;
  for (TMaskedEditControl* e :
       {&FModel.MaskEditRetrys, &FModel.MaskEditTimeOut, &FModel.MaskEditInterval, &FModel.MaskEditPassWord}) {
    LockEdit(*e);
  }
}

void TFormMain::EnableSettings() {
  FModel.ButtonConnect.Enabled = true;
  FModel.RadioGroupMethod.Enabled = true;
  FModel.CheckBoxPostPutAsFileName.Enabled = true;
  FModel.ButtonOpenPostPut.Enabled = FModel.CheckBoxPostPutAsFileName.Checked;
  for (TEditControl* e : {&FModel.EditUrl, &FModel.EditReferer, &FModel.EditPostPut, &FModel.EditProxy,
                          &FModel.EditProxyPort, &FModel.EditHeader, &FModel.EditBody, &FModel.EditUserName}) {
    UnlockEdit(*e);
  }
  FModel.ButtonSaveAsHeader.Enabled = true;
  FModel.ButtonSaveAsBody.Enabled = true;
  for (TMaskedEditControl* e :
       {&FModel.MaskEditRetrys, &FModel.MaskEditTimeOut, &FModel.MaskEditInterval, &FModel.MaskEditPassWord}) {
    UnlockEdit(*e);
  }
  if (!Quiet()) ++FModel.LogScrolledToEnd;
}

void TFormMain::ReportLine(const std::string& text) {
  AddLogLine(text);
  WriteStdErrLine(text);
}

void TFormMain::CloseWindow() {
  if (FHost != nullptr) FHost->Close();
}

void TFormMain::ButtonDownLoadClick() {
  TStep step(*this);
  DisableSettings();
  bool ok = true;
  if (FModel.EditUrl.Text.empty()) {
    ReportLine(texts::kNoUrl);
    ok = false;
  }
  const bool proxy = !FModel.EditProxy.Text.empty();
  if (proxy && FModel.EditProxyPort.Text.empty()) {
    ReportLine(texts::kNoProxyPort);
    ok = false;
  }
  FProxyPortNumber = -1;
  if (proxy) {
    // Leading blanks are allowed in a typed number, trailing ones are not.
    std::string port = FModel.EditProxyPort.Text;
    port.erase(0, port.find_first_not_of(' '));
    if (auto n = http::ParseInt32(port)) {
      FProxyPortNumber = *n;
    } else {
      ReportLine(texts::kProxyPortNotNumber);
      ok = false;
    }
    if (FProxyPortNumber < 0) {
      ReportLine(texts::kProxyPortNegative);
      ok = false;
    }
  }
  auto number = [&](const TEditControl& box, std::int32_t& value, const char* message) {
    value = 0;
    const std::string text = TrimControl(box.Text);
    if (text.empty()) return;
    if (auto n = http::ParseInt32(text)) {
      value = *n;
    } else {
      ReportLine(message);
      ok = false;
    }
  };
  number(FModel.MaskEditRetrys, FRetriesLeft, texts::kBadRetrys);
  number(FModel.MaskEditInterval, FIntervalMs, texts::kBadInterval);
  FIntervalMs = SecondsToMs(FIntervalMs);
  number(FModel.MaskEditTimeOut, FTimeoutMs, texts::kBadTimeOut);
  FTimeoutMs = SecondsToMs(FTimeoutMs);
  if (FRetriesLeft != 0 && FTimeoutMs == 0) {
    ReportLine(texts::kRetrysNeedTimeOut);
    ok = false;
  }
  if (!ok) {
    EnableSettings();
    FOptions.FExitCode = 1;
    if (Quiet()) CloseWindow();
    return;
  }
  StartTransfer();
}

void TFormMain::StartTransfer() {
  FOptions.FExitCode = 0;
  auto client = std::make_unique<TNetHTTPPlus>();
  client->Request().Referer = FModel.EditReferer.Text;
  if (!FModel.EditProxy.Text.empty()) {
    client->ProxyParams.SetProxyServer(FModel.EditProxy.Text);
    client->ProxyParams.SetProxyPort(FProxyPortNumber);
  } else {
    client->ProxyParams.SetProxyServer("");
  }
  if (!FModel.EditUserName.Text.empty() || !FModel.MaskEditPassWord.Text.empty()) {
    client->Request().BasicAuthentication = true;
    client->Request().Username = FModel.EditUserName.Text;
    client->Request().Password = FModel.MaskEditPassWord.Text;
  } else {
    client->Request().BasicAuthentication = false;
  }
  if (!FOptions.FUserAgent.empty()) client->Request().UserAgent = FOptions.FUserAgent;
  // The status event runs on the worker thread: it only posts.
  const platform::WindowHandle window = FHost->Handle();
  client->OnStatus = [window](transport::TNetComponent*, transport::TNetStatus status, const std::string&) {
    if (status == transport::hsResolving) {
      platform::PostWindowMessage(window, WM_TRANSFER_STATUS, kStatusResolving, 0);
    } else if (status == transport::hsConnected) {
      platform::PostWindowMessage(window, WM_TRANSFER_STATUS, kStatusConnected, 0);
    }
  };
  client->ReadTimeout = FTimeoutMs;

  OpenBodyDestination();
  if (FBodyStream.load() == nullptr) {
    // Nothing can receive the body: a run that fetched nothing must not
    // report success, nor leave the settings locked or the client alive.
    client.reset();
    FOptions.FExitCode = 2;
    FRetriesLeft = 0;
    EndRun();
    return;
  }
  OpenRequestSource();

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
    FOptions.FExitCode = 3;
    FRetriesLeft = 0;
    EndRun();
  }
}

std::unique_ptr<platform::TStream> TFormMain::OpenDestination(const std::string& name, platform::StdStream fallback) {
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
      stream = std::make_unique<THandleExtendStream>(platform::GetStdHandle(fallback));
    } catch (const std::exception& e) {
      ReportLine(e.what());
    }
  }
  return stream;
}

void TFormMain::OpenBodyDestination() {
  CloseBodyDestination();
  std::unique_ptr<platform::TStream> stream = OpenDestination(FModel.EditBody.Text, platform::StdStream::kOutput);
  std::unique_ptr<platform::TStream> old(FBodyStream.exchange(stream.release()));
}

void TFormMain::CloseBodyDestination() {
  // Only standard handles are ever wrapped in a THandleExtendStream here,
  // and those are never closed; a file stream closes its own file.
  Take(FBodyStream);
}

void TFormMain::OpenRequestSource() {
  CloseRequestSource();
  std::unique_ptr<platform::TStream> stream;
  const std::string& text = FModel.EditPostPut.Text;
  if (!text.empty() && GetRequestMethod() != miGet) {
    if (FModel.CheckBoxPostPutAsFileName.Checked) {
      try {
        stream = std::make_unique<platform::TFileStream>(text, platform::TFileMode::fmOpenRead);
      } catch (const platform::EFileStreamError& e) {
        ReportLine(FileMessage(text, e, texts::kCannotOpenSuffix));
      }
    } else {
      if (FPostDataEdited) FPostData = text;
      auto memory = std::make_unique<platform::TMemoryStream>();
      memory->Write(FPostData.data(), static_cast<std::int32_t>(FPostData.size()));
      memory->SetPosition(0);
      stream = std::move(memory);
    }
  }
  std::unique_ptr<platform::TStream> old(FSourceStream.exchange(stream.release()));
}

void TFormMain::CloseRequestSource() {
  Take(FSourceStream);
}

void TFormMain::FinishTransfer(bool succeeded) {
  auto conn = Take(FConnection);
  if (!conn) {
    FOptions.FExitCode = 3;
    return;
  }
  if (FOptions.FExitCode == 0) AddLogLine(texts::kConnectionClosed);
  if (!FHost->WaitServingSends(conn->Finished(), kThreadWaitMs)) {
    // The worker posted its end and yet has not left: it still holds the
    // client and the streams, so they stay alive with it.
    (void)conn.release();
    (void)FBodyStream.exchange(nullptr);
    (void)FSourceStream.exchange(nullptr);
    FOptions.FExitCode = 3;
    FRetriesLeft = 0;
    EndRun();
    return;
  }
  std::unique_ptr<TNetHTTPPlus> client(std::exchange(conn->Client, nullptr));
  const std::string& header = client->HeaderText();
  AddTextLines(FModel.StatusLog, header);
  platform::TStream* body = FBodyStream.load();
  const std::int64_t body_size = body != nullptr ? body->GetSize() : 0;
  AddLogLine("Length(Header)=" + std::to_string(header.size()) + ", Length(Body)=" + std::to_string(body_size));

  const std::int64_t content_length = client->Response().ContentLength();
  if (content_length >= 0) {
    if (body_size != content_length) FOptions.FExitCode = 3;
  } else if (!succeeded) {
    FOptions.FExitCode = 3;
  }
  // The count includes a chunk whose write failed: a body that did not
  // reach its destination whole is never a success.
  if (auto* extend = dynamic_cast<THandleExtendStream*>(body); extend != nullptr && extend->WriteFailed()) {
    FOptions.FExitCode = 3;
  }
  // Redirects are not followed, so any final answer other than 2xx (a 3xx
  // with an empty body, say) is a failure too.
  const int status = client->Response().StatusCode();
  if (status < 200 || status > 299) FOptions.FExitCode = 3;
  if (status >= 400 && status <= 599) FOptions.FExitCode = 4;
  WriteResponseHeader(*client);

  CloseRequestSource();
  CloseBodyDestination();
  client.reset();
  conn.reset();
  if (FOptions.FExitCode == 0) FRetriesLeft = 0;
  if (FRetriesLeft > 0) {
    --FRetriesLeft;
    AddLogLine(std::to_string(FIntervalMs / 1000) + texts::kRetryInSuffix);
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

void TFormMain::WriteResponseHeader(TNetHTTPPlus& client) {
  std::unique_ptr<platform::TStream> stream = OpenDestination(FModel.EditHeader.Text, platform::StdStream::kError);
  if (!stream) {
    FOptions.FExitCode = 2;
    return;
  }
  const std::string& header = client.HeaderText();
  try {
    stream->WriteBuffer(header.data(), static_cast<std::int32_t>(header.size()));
  } catch (const std::exception& e) {
    ReportLine(e.what());
    FOptions.FExitCode = 2;
  }
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
  FOptions.FExitCode = 3;
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
    if (lparam != 0) AddLogLine(reinterpret_cast<const char*>(lparam));
  } else if (msg == WM_TRANSFER_STATUS) {
    OnStatusMessage(wparam);
  }
}

void TFormMain::OnCloseRequest() {
  TStep step(*this);
  if (auto conn = Take(FConnection)) {
    // The attempt is cut off and its end is never handled (the window goes
    // first): the run failed.
    FOptions.FExitCode = 3;
    conn->Terminate();
    if (conn->Client) conn->Client->Disconnect();
    // The worker may be blocked reporting its failure to this window: the
    // wait serves that report so the worker can go on and end.
    if (!FHost->WaitServingSends(conn->Finished(), kThreadWaitMs)) {
      // It did not end: it keeps the client, the streams and its own object,
      // and the process ends around it.
      (void)conn.release();
      (void)FBodyStream.exchange(nullptr);
      (void)FSourceStream.exchange(nullptr);
    } else {
      std::unique_ptr<TNetHTTPPlus> client(std::exchange(conn->Client, nullptr));
      client.reset();
      conn.reset();
    }
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
  FOptions.FMethod = GetRequestMethod();
  FOptions.FUrl = FModel.EditUrl.Text;
  FOptions.FReferer = FModel.EditReferer.Text;
  FOptions.FProxyHost = FModel.EditProxy.Text;
  FOptions.FProxyPort = FModel.EditProxyPort.Text;
  FOptions.FHeaderFile = FModel.EditHeader.Text;
  FOptions.FBodyFile = FModel.EditBody.Text;
  FOptions.FRetrys = TrimControl(FModel.MaskEditRetrys.Text);
  FOptions.FInterval = TrimControl(FModel.MaskEditInterval.Text);
  FOptions.FTimeOut = TrimControl(FModel.MaskEditTimeOut.Text);
  FOptions.FUserName = FModel.EditUserName.Text;
  FOptions.FPassword = FModel.MaskEditPassWord.Text;
  if (FHost != nullptr) {
    const platform::TWindowBounds b = FHost->Bounds();
    FOptions.FPositionMain = TRect{b.left, b.top, b.left + b.width - 1, b.top + b.height - 1};
  }
  FOptions.FPostPutData = FPostDataEdited ? FModel.EditPostPut.Text : FPostData;
  FOptions.FPostPutAsFileName = FModel.CheckBoxPostPutAsFileName.Checked;
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
