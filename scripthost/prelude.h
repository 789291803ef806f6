#pragma once
// The text of prelude.js, built into the program.

#include <QString>

namespace scripthost {

QString PreludeSource();

}  // namespace scripthost
