#include "scripthost/handler_source.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJSEngine>

namespace {

// The engine needs an application object; one serves every test of the binary.
void EnsureApplication() {
  static int argc = 1;
  static char name[] = "scripthost_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication application(argc, argv);
}

using scripthost::FindTopLevelFunction;

TEST(HandlerSource, FindsTheTopLevelDeclarationPastStringsCommentsAndRegularExpressions) {
  const QString source = QStringLiteral(
      "var s = 'function ws_Error(a) { }';\n"    // in a string
      "// function ws_Error(b) { }\n"            // in a comment
      "var r = /[{]function ws_Error(c) {/g;\n"  // in a regular expression
      "function outer() {\n"
      "  function ws_Error(d) { }\n"  // not at the top level
      "}\n"
      "var q = a / b / c;\n"  // divisions, not a regular expression
      "function ws_Error(Number, Description,\n"
      "                  CancelDisplay) {\n"
      "  var t = \"}\"; /* } */ if (x) { CancelDisplay = /}/.test(t); }\n"
      "}\n"
      "function after() {}\n");
  auto found = FindTopLevelFunction(source, QStringLiteral("ws_Error"));
  ASSERT_TRUE(found);
  EXPECT_EQ(found->line, 8);
  EXPECT_EQ(found->parameters,
            QStringLiteral("Number, Description,\n                  CancelDisplay"));
  EXPECT_EQ(found->body,
            QStringLiteral("\n  var t = \"}\"; /* } */ if (x) { CancelDisplay = /}/.test(t); }\n"));
  EXPECT_FALSE(FindTopLevelFunction(source, QStringLiteral("outerless")));
  EXPECT_FALSE(FindTopLevelFunction(QStringLiteral("function broken(a) { if (a) {"),
                                    QStringLiteral("broken")));
}

TEST(HandlerSource, WritableFormHandsBackWhatTheHandlerAssigned) {
  const QString source = QStringLiteral(
      "\n"
      "function ws_Error(number, cancel) {\n"
      "  cancel = true;\n"
      "  arguments[0] = number + 1;\n"
      "  if (number > 5) return 'early';\n"
      "  throw new Error('thrown');\n"
      "}\n");
  auto found = FindTopLevelFunction(source, QStringLiteral("ws_Error"));
  ASSERT_TRUE(found);
  EnsureApplication();
  QJSEngine engine;
  QJSValue maker =
      engine.evaluate(scripthost::WritableHandlerSource(QStringLiteral("ws_Error"), *found),
                      QStringLiteral("script.js"), found->line);
  ASSERT_TRUE(maker.isCallable()) << maker.toString().toStdString();
  QJSValue captured =
      engine.evaluate(QStringLiteral("var box = {}; (function (a) { box.args = a; })"));
  QJSValue handler = maker.call({captured});
  QJSValue box = engine.globalObject().property(QStringLiteral("box"));

  EXPECT_EQ(handler.call({7, false}).toString(), QStringLiteral("early"));
  EXPECT_EQ(box.property(QStringLiteral("args")).property(0).toInt(), 8);
  EXPECT_TRUE(box.property(QStringLiteral("args")).property(1).toBool());

  QJSValue thrown = handler.call({1, false});
  EXPECT_TRUE(thrown.isError());
  EXPECT_EQ(thrown.property(QStringLiteral("lineNumber")).toInt(), 6);
  EXPECT_EQ(box.property(QStringLiteral("args")).property(0).toInt(), 2);
}

}  // namespace
