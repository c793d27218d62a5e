// The presenter on a real X server (with_x_server.sh starts one), read back
// from the server: the frames, taking turns in two surfaces, reach the
// window in the rectangles given and nowhere else, from the surfaces'
// own memory, and the same pixels go through the socket once a surface
// could not be shared.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "raster/surface.h"
#include "window/x11_presenter.h"

namespace {

constexpr int SIDE = 350;
const QPoint ORIGIN(2, 2);  // the surface's top-left in the window
constexpr uint32_t MAGENTA = rgb(255, 0, 255);

xcb_connection_t* qt_connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Returns once the server has carried out what was sent on the connection.
void round_trip(xcb_connection_t* c) { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

// A connection of the test's own: it reads the window back as the server
// has it, and can hold the server to itself.
struct Onlooker {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    ~Onlooker() { xcb_disconnect(c); }

    // The window's pixels (0xRRGGBB) in the surface's rectangle, row by
    // row, once the presenter's requests have been carried out.
    std::vector<uint32_t> window_pixels(const QWidget& window, Rect r)
    {
        round_trip(qt_connection());
        const int width = r.right - r.left, height = r.bottom - r.top;
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> image(
            xcb_get_image_reply(c,
                                xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_window_t(window.winId()),
                                              int16_t(ORIGIN.x() + r.left), int16_t(ORIGIN.y() + r.top),
                                              uint16_t(width), uint16_t(height), ~0u),
                                nullptr),
            &std::free);
        if (!image || xcb_get_image_data_length(image.get()) != width * height * 4)
            return {};
        auto data = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image.get()));
        std::vector<uint32_t> pixels(data, data + width * height);
        for (uint32_t& p : pixels)
            p &= 0xFFFFFF;
        return pixels;
    }
    // Until released, the server carries out this connection's requests
    // alone: what the presenter sends waits.
    void hold_server()
    {
        xcb_grab_server(c);
        round_trip(c);
    }
    void release_server()
    {
        xcb_ungrab_server(c);
        xcb_flush(c);
    }
};

// The surface's pixels (0xRRGGBB) in the rectangle, row by row.
std::vector<uint32_t> pixels_in(const Surface& s, Rect r)
{
    std::vector<uint32_t> pixels;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            pixels.push_back(s.at(x, y) & 0xFFFFFF);
    return pixels;
}

// A picture that differs from the one before it in every pixel.
void paint(Surface& s, int frame)
{
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            s.pixels[size_t(y) * s.width + x] = rgb(x + 37 * frame, y + 11 * frame, (x ^ y) + 5 * frame);
}

// A window with the presenter at ORIGIN and the two surfaces the frames
// take turns in, as the game's mainscr and backscr do. With the parameter
// false, the presenter is first shown a surface it cannot share (one in
// ordinary memory), and sends all later frames through the socket.
struct PresenterTest : ::testing::TestWithParam<bool> {
    QWidget window;
    Surface front{SIDE, SIDE}, back{SIDE, SIDE};
    std::unique_ptr<X11Presenter> presenter;
    Onlooker onlooker;
    std::vector<uint32_t> shown = std::vector<uint32_t>(size_t(SIDE) * SIDE);  // what the window should show
    int frames = 0;

    void SetUp() override
    {
        ASSERT_FALSE(xcb_connection_has_error(onlooker.c));
        ASSERT_GE(pixels_file(front.pixels.data()), 0);
        ASSERT_GE(pixels_file(back.pixels.data()), 0);
        window.setFixedSize(SIDE + 2 * ORIGIN.x(), SIDE + 2 * ORIGIN.y());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
        presenter = X11Presenter::create(&window, ORIGIN);
        ASSERT_TRUE(presenter);
        if (!GetParam()) {
            Surface unshareable(10, 10);
            ASSERT_EQ(pixels_file(unshareable.pixels.data()), -1);
            presenter->put(unshareable, {{0, 0, 10, 10}});
        }
    }
    // The next frame: drawn in the back surface, traded to the front and
    // shown in the rectangles given.
    void next_frame(const std::vector<Rect>& rects)
    {
        paint(back, ++frames);
        trade(front, back);
        presenter->put(front, rects);
        for (const Rect& r : rects)
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    shown[size_t(y) * SIDE + x] = front.at(x, y) & 0xFFFFFF;
    }
    int pixels_not_as_shown()
    {
        std::vector<uint32_t> seen = onlooker.window_pixels(window, {0, 0, SIDE, SIDE});
        if (seen.size() != shown.size())
            return SIDE * SIDE;
        int differing = 0;
        for (size_t i = 0; i < seen.size(); ++i)
            differing += seen[i] != shown[i];
        return differing;
    }
};

const Rect WHOLE{0, 0, SIDE, SIDE};

TEST_P(PresenterTest, FramesReachTheWindowInTheirRectanglesOnly)
{
    next_frame({WHOLE});
    EXPECT_EQ(pixels_not_as_shown(), 0) << "the first surface, whole";
    next_frame({WHOLE});
    EXPECT_EQ(pixels_not_as_shown(), 0) << "the second surface, whole";
    // Every later frame differs everywhere; only its rectangles reach the
    // window: a band of whole rows, a narrow column, the corners.
    const std::vector<std::vector<Rect>> changes{
        {{0, 100, SIDE, 130}},
        {{10, 10, 47, 300}, {SIDE - 1, SIDE - 1, SIDE, SIDE}},
        {{200, 0, SIDE, 20}, {0, 340, 5, SIDE}, {0, 0, 1, 1}},
        {{60, 200, 61, 201}},
    };
    for (const std::vector<Rect>& rects : changes) {
        next_frame(rects);
        EXPECT_EQ(pixels_not_as_shown(), 0) << "frame " << frames;
    }
}

// The server is held while the presenter sends a rectangle, and the
// surface changes before it is let go: from the surface's own memory, the
// server reads the new pixels; through the socket, the ones sent.
TEST_P(PresenterTest, TheServerReadsEachSharedSurfaceItselfWhenItComesToIt)
{
    const bool shared = GetParam();
    const Rect r{100, 100, 140, 120};
    next_frame({WHOLE});
    next_frame({WHOLE});
    for (int turn = 0; turn < 2; ++turn) {
        SCOPED_TRACE(turn == 0 ? "the first surface" : "the second surface");
        next_frame({WHOLE});
        const std::vector<uint32_t> sent = pixels_in(front, r);
        onlooker.hold_server();
        presenter->put(front, {r});
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                front.pixels[size_t(y) * SIDE + x] = MAGENTA;
        onlooker.release_server();
        EXPECT_EQ(onlooker.window_pixels(window, r), shared ? pixels_in(front, r) : sent);
    }
}

INSTANTIATE_TEST_SUITE_P(Presenter, PresenterTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "SharingMemory" : "ThroughTheSocket"; });

}  // namespace

// The window system is the X server with_x_server.sh started.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
