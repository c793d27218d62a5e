// When a starting game's first title frame reaches the screen, for
// bench/measure (kit/lib.sh, first_frame). Polls the X server
// every 2 ms for the play field's border and then for the title picture's
// top 200 rows in the play field, pixel for pixel. Before the first frame
// the field is plain window colour, so the match can only come from the
// first title frame.
//
// Usage: title_probe PID EXEC_NS CAPTION TITLE_PNG
//        title_probe --output WINDOW EXEC_NS TITLE_PNG
// The first form looks for a mapped window of the process with the
// caption, and for the border in its leftmost column (drawn with the
// window's first paint). The second is for a program that has no window
// on this X server: WINDOW (an id) shows a whole compositor output, such
// as weston's window under its X11 backend, and the field may lie
// anywhere in it. The probe looks down a few columns of WINDOW for the
// border grey and along those rows for the field's top border line, at
// least as long as the field is wide, with the border's left line under
// its start; then it compares the title's rows as the first form does.
// What it times is the frame composited and shown by the compositor.
// EXEC_NS is the wall clock (date +%s%N) just before the program's exec.
// Prints "MAP LOW HIGH" in ms after it: the window (in the second form,
// the field's border) first seen; the last poll that did not see the
// frame yet; the first that did, when its answer came back. Exit status 1
// when nothing showed within 30 s.
#include <QImage>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int FIELD = 350;
constexpr int COMPARED_ROWS = 200;
constexpr int BORDER = 2;
constexpr uint32_t BORDER_GREY = 0x808080;
constexpr int PROBE_ROW = 100;

template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

long long wall_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    Owned<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::string property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t name, xcb_atom_t type)
{
    Owned<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, name, type, 0, 256), nullptr), &std::free);
    if (!reply)
        return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       size_t(xcb_get_property_value_length(reply.get())));
}

struct Search {
    xcb_connection_t* c;
    uint32_t pid;
    std::string caption;
    xcb_atom_t pid_atom, name_atom, utf8;
};

bool viewable(xcb_connection_t* c, xcb_window_t w)
{
    Owned<xcb_get_window_attributes_reply_t> a(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr), &std::free);
    return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
}

// Top-level windows made since the probe started, told by the server
// (the game makes its window at the root, before a window manager takes
// it into a frame): no walks through the server's window tree, which
// would load the server the game is starting on.
struct NewWindows {
    explicit NewWindows(xcb_connection_t* c) : c(c)
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
    }
    void take_news()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7F) == XCB_CREATE_NOTIFY)
                made.push_back(reinterpret_cast<xcb_create_notify_event_t*>(event)->window);
            std::free(event);
        }
    }
    xcb_connection_t* c;
    std::vector<xcb_window_t> made;
};

// The process's window with the caption, once it is on the screen.
xcb_window_t find_window(const Search& s, NewWindows& news)
{
    news.take_news();
    for (xcb_window_t w : news.made) {
        std::string pid = property(s.c, w, s.pid_atom, XCB_ATOM_CARDINAL);
        if (pid.size() == 4 && std::memcmp(pid.data(), &s.pid, 4) == 0
            && property(s.c, w, s.name_atom, s.utf8) == s.caption && viewable(s.c, w))
            return w;
    }
    return XCB_WINDOW_NONE;
}

// The pixels of a w x h block of the window, 0x00RRGGBB each; empty when
// the window cannot give them (unmapped, or a depth other than 24/32 bits).
std::vector<uint32_t> pixels(xcb_connection_t* c, xcb_window_t window, int x, int y, int w, int h)
{
    Owned<xcb_get_image_reply_t> image(
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, int16_t(x), int16_t(y),
                                          uint16_t(w), uint16_t(h), ~0u),
                            nullptr),
        &std::free);
    if (!image || xcb_get_image_data_length(image.get()) != w * h * 4)
        return {};
    std::vector<uint32_t> out(size_t(w) * h);
    std::memcpy(out.data(), xcb_get_image_data(image.get()), out.size() * 4);
    for (uint32_t& p : out)
        p &= 0xFFFFFF;
    return out;
}

std::vector<uint32_t> row(const std::vector<uint32_t>& field, int y)
{
    return {field.begin() + y * FIELD, field.begin() + (y + 1) * FIELD};
}

// Where the play field's drawing area lies in a window.
struct Place {
    int x = -1, y = -1;
    bool found() const { return y >= 0; }
};

// In the game's own window: two rows below the first row of the border's
// dark outer line in the window's leftmost column; not found while the
// window is not painted yet.
Place field_in_window(xcb_connection_t* c, xcb_window_t window)
{
    std::vector<uint32_t> column = pixels(c, window, 0, 0, 1, 120);
    for (size_t y = 0; y < column.size(); ++y)
        if (column[y] == BORDER_GREY)
            return {BORDER, int(y) + BORDER};
    return {};
}

xcb_get_geometry_reply_t geometry(xcb_connection_t* c, xcb_window_t window)
{
    Owned<xcb_get_geometry_reply_t> reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr),
                                          &std::free);
    return reply ? *reply : xcb_get_geometry_reply_t{};
}

// The start of the run of border grey through x in the row, when the run
// is at least a field wide; -1 otherwise (or when the row could not be
// read).
int border_line_start(const std::vector<uint32_t>& row, int x)
{
    if (size_t(x) >= row.size() || row[size_t(x)] != BORDER_GREY)
        return -1;
    int left = x, right = x;
    while (left > 0 && row[size_t(left - 1)] == BORDER_GREY)
        --left;
    while (right + 1 < int(row.size()) && row[size_t(right + 1)] == BORDER_GREY)
        ++right;
    return right - left + 1 >= FIELD ? left : -1;
}

// Anywhere in a window showing a whole output: the field's top border
// line crosses one of the columns looked at (they are less than a field
// apart), and the border's left line runs down from its start. Other
// greys of the output (the pointer, a patterned background) make no line
// that long.
Place field_in_output(xcb_connection_t* c, xcb_window_t output)
{
    const xcb_get_geometry_reply_t size = geometry(c, output);
    const int width = size.width, height = size.height;
    for (int x = 0; x < width; x += FIELD - 50) {
        std::vector<uint32_t> column = pixels(c, output, x, 0, 1, height);
        for (int y = 0; y + BORDER + FIELD < int(column.size()); ++y) {
            if (column[size_t(y)] != BORDER_GREY)
                continue;
            const int left = border_line_start(pixels(c, output, 0, y, width, 1), x);
            if (left >= 0 && pixels(c, output, left, y + FIELD, 1, 1) == std::vector<uint32_t>{BORDER_GREY})
                return {left + BORDER, y + BORDER};
        }
    }
    return {};
}

std::vector<uint32_t> title_rows(const char* png)
{
    QImage title = QImage(QString::fromLocal8Bit(png)).convertToFormat(QImage::Format_RGB32);
    std::vector<uint32_t> rows;
    if (title.width() != FIELD || title.height() < COMPARED_ROWS)
        return rows;
    for (int y = 0; y < COMPARED_ROWS; ++y)
        for (int x = 0; x < FIELD; ++x)
            rows.push_back(title.pixel(x, y) & 0xFFFFFF);
    return rows;
}

// One row first: most polls end there, and the X server is not kept busy
// copying the field while the program starts.
bool shows_title(xcb_connection_t* c, xcb_window_t window, Place at, const std::vector<uint32_t>& wanted)
{
    return pixels(c, window, at.x, at.y + PROBE_ROW, FIELD, 1) == row(wanted, PROBE_ROW)
           && pixels(c, window, at.x, at.y, FIELD, COMPARED_ROWS) == wanted;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: title_probe PID EXEC_NS CAPTION TITLE_PNG\n"
                 "       title_probe --output WINDOW EXEC_NS TITLE_PNG\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool output = argc == 5 && std::strcmp(argv[1], "--output") == 0;
    if (argc != 5)
        return usage();
    const long long exec_ns = std::atoll(argv[output ? 3 : 2]);
    const std::vector<uint32_t> wanted = title_rows(argv[4]);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (wanted.empty() || xcb_connection_has_error(c)) {
        std::fprintf(stderr, "title_probe: no title picture or no X display\n");
        return 2;
    }
    xcb_window_t window = XCB_WINDOW_NONE;
    Place field;
    long long map_ns = 0;
    // Sets window and field once they are there, and map_ns when the
    // window (the field, in an output) is first seen.
    std::function<void()> locate;
    std::unique_ptr<NewWindows> news;
    if (output) {
        window = xcb_window_t(std::strtoul(argv[2], nullptr, 0));
        locate = [&] {
            if ((field = field_in_output(c, window)).found())
                map_ns = wall_ns();
        };
    } else {
        const Search search{c, uint32_t(std::atol(argv[1])), argv[3], atom(c, "_NET_WM_PID"),
                            atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING")};
        news = std::make_unique<NewWindows>(c);
        locate = [&, search] {
            if (!window && (window = find_window(search, *news)))
                map_ns = wall_ns();
            if (window)
                field = field_in_window(c, window);
        };
    }
    auto ms = [&](long long ns) { return (ns - exec_ns) / 1000000.0; };
    long long before_ns = exec_ns;
    const long long give_up = wall_ns() + 30'000'000'000LL;
    while (wall_ns() < give_up) {
        if (!field.found())
            locate();
        const long long asked_ns = wall_ns();
        if (field.found() && shows_title(c, window, field, wanted)) {
            std::printf("%.1f %.1f %.1f\n", ms(map_ns), ms(before_ns), ms(wall_ns()));
            return 0;
        }
        before_ns = asked_ns;  // the frame was not on the screen then
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return 1;
}
