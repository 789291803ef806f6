#pragma once
// The host's window: one web view showing the page under the host's own scheme, served from the
// page's folder by LocalPageServer, with the web-process extension that makes the page's
// controls. The window ends the host when the page asks (Host.Quit, window.close), when its close
// box is pressed, when the time allowed on the command line has run out, or on SIGTERM or SIGINT
// (exit code 128 + the signal's number); before it ends it has the page release its controls.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <optional>
#include <string>

namespace pagehost {

struct PageWindowOptions {
  std::string pagePath;          // absolute and normal
  std::string commandLine;       // what the HTML application element reports
  std::string extensionsFolder;  // where the web-process extension lies
  std::optional<int> timeoutSeconds;
};

class PageWindow {
 public:
  explicit PageWindow(PageWindowOptions options);
  ~PageWindow();
  PageWindow(const PageWindow&) = delete;
  PageWindow& operator=(const PageWindow&) = delete;

  // Shows the page and runs until the host ends; returns the exit code.
  int Run();

 private:
  static void ServeRequest(WebKitURISchemeRequest* request, gpointer self);
  static gboolean OnMessage(WebKitWebView*, WebKitUserMessage* message, gpointer self);
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);
  static void OnViewClose(WebKitWebView*, gpointer self);
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
  static void OnTitle(GObject*, GParamSpec*, gpointer self);
  static void OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                  gpointer self);
  static void OnReleased(GObject* view, GAsyncResult* result, gpointer self);
  static gboolean OnTimeout(gpointer self);
  static gboolean OnReleaseTimeout(gpointer self);
  static gboolean OnTerminate(gpointer self);
  static gboolean OnInterrupt(gpointer self);

  // Has the page release its controls, then ends the host with `exitCode`.
  void Close(int exitCode);
  void Finish(int exitCode);

  PageWindowOptions options_;
  std::string folder_;
  GMainLoop* loop_ = nullptr;
  WebKitWebContext* context_ = nullptr;
  GtkWidget* window_ = nullptr;
  WebKitWebView* view_ = nullptr;
  int exitCode_ = 0;
  bool closing_ = false;
  bool finished_ = false;
  guint timeout_ = 0;
  guint releaseTimeout_ = 0;
  guint terminate_ = 0;
  guint interrupt_ = 0;
};

}  // namespace pagehost
