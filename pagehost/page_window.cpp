#include "pagehost/page_window.h"

#include <glib-unix.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "pagehost/event_functions.h"
#include "pagehost/local_files.h"
#include "pagehost/page_messages.h"

namespace pagehost {
namespace {

// How long a closing window waits for the page to release its controls.
constexpr guint kReleaseWaitSeconds = 3;

void Report(const std::string& text) {
  std::fprintf(stderr, "quorvane-page: %s\n", text.c_str());
  std::fflush(stderr);
}

PageWindow& Self(gpointer self) {
  return *static_cast<PageWindow*>(self);
}

std::string PageUri(const std::string& path) {
  gchar* fileUri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  std::string uri = fileUri != nullptr ? fileUri : "";
  g_free(fileUri);
  // file:///... becomes qvpage:///..., with the same escaping.
  return std::string(kPageScheme) + uri.substr(uri.find(':'));
}

}  // namespace

PageWindow::PageWindow(PageWindowOptions options)
    : options_(std::move(options)),
      folder_(std::filesystem::path(options_.pagePath).parent_path().string()) {
  loop_ = g_main_loop_new(nullptr, FALSE);
  // An ephemeral context: the host keeps nothing of the pages it showed.
  context_ = webkit_web_context_new_ephemeral();
  webkit_web_context_set_web_extensions_directory(context_, options_.extensionsFolder.c_str());
  webkit_web_context_set_web_extensions_initialization_user_data(
      context_, g_variant_new("(s)", options_.commandLine.c_str()));
  webkit_web_context_set_cache_model(context_, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  webkit_web_context_register_uri_scheme(context_, kPageScheme.data(), &PageWindow::ServeRequest,
                                         this, nullptr);
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context_);
  webkit_security_manager_register_uri_scheme_as_secure(security, kPageScheme.data());
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, kPageScheme.data());

  WebKitSettings* settings = webkit_settings_new();
  // A page without a declared character set is read in the original platform's code page.
  webkit_settings_set_default_charset(settings, "shift_jis");
  webkit_settings_set_enable_page_cache(settings, FALSE);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
  webkit_settings_set_hardware_acceleration_policy(settings,
                                                   WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  view_ = WEBKIT_WEB_VIEW(
      g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_, "settings", settings, nullptr));
  g_object_unref(settings);

  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window_), 800, 600);
  gtk_window_set_title(GTK_WINDOW(window_),
                       std::filesystem::path(options_.pagePath).filename().c_str());
  gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));

  g_signal_connect(view_, "user-message-received", G_CALLBACK(&PageWindow::OnMessage), this);
  g_signal_connect(view_, "decide-policy", G_CALLBACK(&PageWindow::OnDecidePolicy), this);
  g_signal_connect(view_, "close", G_CALLBACK(&PageWindow::OnViewClose), this);
  g_signal_connect(view_, "notify::title", G_CALLBACK(&PageWindow::OnTitle), this);
  g_signal_connect(view_, "web-process-terminated", G_CALLBACK(&PageWindow::OnProcessTerminated),
                   this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(&PageWindow::OnDelete), this);
  // Stopped from outside, the host closes as its close box would close it.
  terminate_ = g_unix_signal_add(SIGTERM, &PageWindow::OnTerminate, this);
  interrupt_ = g_unix_signal_add(SIGINT, &PageWindow::OnInterrupt, this);
}

PageWindow::~PageWindow() {
  if (timeout_ != 0) g_source_remove(timeout_);
  if (releaseTimeout_ != 0) g_source_remove(releaseTimeout_);
  if (terminate_ != 0) g_source_remove(terminate_);
  if (interrupt_ != 0) g_source_remove(interrupt_);
  if (window_ != nullptr) gtk_widget_destroy(window_);
  if (context_ != nullptr) g_object_unref(context_);
  g_main_loop_unref(loop_);
}

int PageWindow::Run() {
  webkit_web_view_load_uri(view_, PageUri(options_.pagePath).c_str());
  gtk_widget_show_all(window_);
  if (options_.timeoutSeconds) {
    timeout_ = g_timeout_add_seconds(static_cast<guint>(*options_.timeoutSeconds),
                                     &PageWindow::OnTimeout, this);
  }
  g_main_loop_run(loop_);
  return exitCode_;
}

void PageWindow::Close(int exitCode) {
  if (closing_) return;
  closing_ = true;
  exitCode_ = exitCode;
  webkit_web_view_send_message_to_page(view_, webkit_user_message_new(kMessageRelease, nullptr),
                                       nullptr, &PageWindow::OnReleased, this);
  releaseTimeout_ = g_timeout_add_seconds(kReleaseWaitSeconds, &PageWindow::OnReleaseTimeout, this);
}

void PageWindow::Finish(int exitCode) {
  if (finished_) return;
  finished_ = true;
  exitCode_ = exitCode;
  g_main_loop_quit(loop_);
}

void PageWindow::ServeRequest(WebKitURISchemeRequest* request, gpointer self) {
  PageWindow& window = Self(self);
  gchar* decoded = g_uri_unescape_string(webkit_uri_scheme_request_get_path(request), nullptr);
  const std::string requested = decoded != nullptr ? decoded : "";
  g_free(decoded);
  const auto path = ResolveLocalRequest(window.folder_, requested);
  if (!path) {
    Report("not loaded, it lies outside the page's folder: " + requested);
    GError* error = g_error_new(G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED,
                                "outside the page's folder: %s", requested.c_str());
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  gchar* contents = nullptr;
  gsize length = 0;
  GError* error = nullptr;
  if (!g_file_get_contents(path->c_str(), &contents, &length, &error)) {
    Report(std::string("cannot read ") + *path + ": " + error->message);
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  std::string body(contents, length);
  g_free(contents);
  if (IsPageFile(*path)) {
    body = RewriteEventFunctionsInPage(body);
  } else if (IsScriptFile(*path)) {
    body = RewriteEventFunctions(body);
  }
  const auto size = static_cast<gint64>(body.size());
  GBytes* bytes = g_bytes_new(body.data(), body.size());
  GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
  g_bytes_unref(bytes);
  webkit_uri_scheme_request_finish(request, stream, size, MediaTypeOf(*path).data());
  g_object_unref(stream);
}

gboolean PageWindow::OnMessage(WebKitWebView*, WebKitUserMessage* message, gpointer self) {
  PageWindow& window = Self(self);
  const std::string_view name = webkit_user_message_get_name(message);
  GVariant* parameters = webkit_user_message_get_parameters(message);
  gint32 a = 0;
  gint32 b = 0;
  if (name == kMessageQuit) {
    if (parameters != nullptr) g_variant_get(parameters, "(i)", &a);
    // The page released its controls before it asked.
    window.Finish(a);
  } else if (name == kMessageResize && parameters != nullptr) {
    g_variant_get(parameters, "(ii)", &a, &b);
    if (a > 0 && b > 0) gtk_window_resize(GTK_WINDOW(window.window_), a, b);
  } else if (name == kMessageMove && parameters != nullptr) {
    g_variant_get(parameters, "(ii)", &a, &b);
    gtk_window_move(GTK_WINDOW(window.window_), a, b);
  } else {
    return FALSE;
  }
  return TRUE;
}

gboolean PageWindow::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                    WebKitPolicyDecisionType type, gpointer) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    Report("a page cannot open windows of its own");
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const std::string_view uri =
      webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  if (uri.starts_with(kPageScheme) || uri.starts_with("about:") || uri.starts_with("data:")) {
    return FALSE;
  }
  Report("not opened, the host opens local pages only: " + std::string(uri));
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

void PageWindow::OnViewClose(WebKitWebView*, gpointer self) {
  Self(self).Close(0);
}

gboolean PageWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  Self(self).Close(0);
  return TRUE;  // the window stays until the page has released its controls
}

void PageWindow::OnTitle(GObject*, GParamSpec*, gpointer self) {
  PageWindow& window = Self(self);
  const gchar* title = webkit_web_view_get_title(window.view_);
  if (title != nullptr && *title != '\0') gtk_window_set_title(GTK_WINDOW(window.window_), title);
}

void PageWindow::OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                     gpointer self) {
  PageWindow& window = Self(self);
  if (window.finished_) return;
  Report(reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? "the page ran out of memory"
                                                            : "the page's process ended");
  window.Finish(1);
}

void PageWindow::OnReleased(GObject* view, GAsyncResult* result, gpointer self) {
  WebKitUserMessage* reply =
      webkit_web_view_send_message_to_page_finish(WEBKIT_WEB_VIEW(view), result, nullptr);
  if (reply != nullptr) g_object_unref(reply);
  PageWindow& window = Self(self);
  window.Finish(window.exitCode_);
}

gboolean PageWindow::OnTimeout(gpointer self) {
  PageWindow& window = Self(self);
  window.timeout_ = 0;
  Report("the page ran longer than " + std::to_string(*window.options_.timeoutSeconds) +
         " seconds");
  window.closing_ = false;
  window.Close(2);
  return G_SOURCE_REMOVE;
}

gboolean PageWindow::OnTerminate(gpointer self) {
  Self(self).Close(128 + SIGTERM);
  return G_SOURCE_CONTINUE;
}

gboolean PageWindow::OnInterrupt(gpointer self) {
  Self(self).Close(128 + SIGINT);
  return G_SOURCE_CONTINUE;
}

gboolean PageWindow::OnReleaseTimeout(gpointer self) {
  PageWindow& window = Self(self);
  window.releaseTimeout_ = 0;
  window.Finish(window.exitCode_);
  return G_SOURCE_REMOVE;
}

}  // namespace pagehost
