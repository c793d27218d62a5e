// Whether an X display answers, asked before Qt opens one: Qt's X
// platform ends the program when its display does not.
#pragma once

#include <string>

// The display named (empty: $DISPLAY's) takes a connection.
bool x_display_answers(const std::string& name);
