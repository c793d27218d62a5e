#include "window/x_display.h"

#include <xcb/xcb.h>

bool x_display_answers(const std::string& name)
{
    xcb_connection_t* connection = xcb_connect(name.empty() ? nullptr : name.c_str(), nullptr);
    bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}
