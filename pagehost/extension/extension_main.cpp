// The host's web-process extension: WebKit loads it into the process that runs the page, where
// the controls live beside the page's script. Every new document of the main frame gets a new
// session (the previous one is released); the user-interface process asks for a release before
// its window closes; requests for anything but the host's local pages are refused.

#include <webkit2/webkit-web-extension.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "automation/loader.h"
#include "pagehost/extension/glib_readiness_loop.h"
#include "pagehost/extension/page_prelude.h"
#include "pagehost/extension/page_session.h"
#include "pagehost/local_files.h"
#include "pagehost/page_messages.h"

namespace pagehost {
namespace {

class Extension final : public ViewChannel {
 public:
  explicit Extension(std::string commandLine) : commandLine_(std::move(commandLine)) {}
  ~Extension() { EndSession(); }
  Extension(const Extension&) = delete;
  Extension& operator=(const Extension&) = delete;

  void SetPage(WebKitWebPage* page) { page_ = page; }

  void NewDocument(JSCContext* context) {
    EndSession();
    session_ = std::make_shared<PageSession>(context, loader_, commandLine_, *this);
    // The prelude's source is an address of the pages' own origin that no page has, which the
    // prelude's error report knows to look past.
    session_->Install(PagePreludeSource(),
                      std::string(kPageScheme) + ":///quorvane-page-prelude.js");
  }

  void EndSession() {
    if (session_) session_->ReleaseAll();
    session_.reset();
  }

  void Quit(int exitCode) override { Send(kMessageQuit, g_variant_new("(i)", exitCode)); }
  void Resize(int width, int height) override {
    Send(kMessageResize, g_variant_new("(ii)", width, height));
  }
  void Move(int x, int y) override { Send(kMessageMove, g_variant_new("(ii)", x, y)); }

 private:
  void Send(const char* name, GVariant* parameters) {
    if (page_ == nullptr) {
      g_variant_unref(g_variant_ref_sink(parameters));
      return;
    }
    webkit_web_page_send_message_to_view(page_, webkit_user_message_new(name, parameters), nullptr,
                                         nullptr, nullptr);
  }

  std::string commandLine_;
  GlibReadinessLoop loop_;
  automation::Loader loader_{&loop_};
  WebKitWebPage* page_ = nullptr;
  std::shared_ptr<PageSession> session_;
};

std::unique_ptr<Extension>& TheExtension() {
  static std::unique_ptr<Extension> extension;
  return extension;
}

void OnWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame,
                           gpointer) {
  if (!webkit_frame_is_main_frame(frame) || !TheExtension()) return;
  TheExtension()->SetPage(page);
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, world);
  TheExtension()->NewDocument(context);
  g_object_unref(context);
}

// Only the host's own scheme, and the addresses a page makes in itself, are loaded.
gboolean OnSendRequest(WebKitWebPage*, WebKitURIRequest* request, WebKitURIResponse*, gpointer) {
  const std::string_view uri = webkit_uri_request_get_uri(request);
  for (std::string_view allowed : {std::string_view(kPageScheme), std::string_view("data"),
                                   std::string_view("blob"), std::string_view("about")}) {
    if (uri.starts_with(allowed) && uri.size() > allowed.size() && uri[allowed.size()] == ':') {
      return FALSE;
    }
  }
  std::fprintf(stderr, "quorvane-page: not loaded, the host loads local pages only: %.*s\n",
               static_cast<int>(uri.size()), uri.data());
  return TRUE;
}

gboolean OnMessage(WebKitWebPage*, WebKitUserMessage* message, gpointer) {
  if (std::string_view(webkit_user_message_get_name(message)) != kMessageRelease) return FALSE;
  if (TheExtension()) TheExtension()->EndSession();
  webkit_user_message_send_reply(message, webkit_user_message_new(kMessageRelease, nullptr));
  return TRUE;
}

void OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
  if (TheExtension()) TheExtension()->SetPage(page);
  g_signal_connect(page, "send-request", G_CALLBACK(OnSendRequest), nullptr);
  g_signal_connect(page, "user-message-received", G_CALLBACK(OnMessage), nullptr);
}

}  // namespace
}  // namespace pagehost

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* extension, const GVariant* data) {
  const char* commandLine = "";
  if (data != nullptr && g_variant_is_of_type(const_cast<GVariant*>(data), G_VARIANT_TYPE("(s)"))) {
    g_variant_get(const_cast<GVariant*>(data), "(&s)", &commandLine);
  }
  pagehost::TheExtension() = std::make_unique<pagehost::Extension>(commandLine);
  g_signal_connect(extension, "page-created", G_CALLBACK(pagehost::OnPageCreated), nullptr);
  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                   G_CALLBACK(pagehost::OnWindowObjectCleared), nullptr);
}
