#include <gtest/gtest.h>

#include "X11TestSupport.h"
#include "widgets/Exceptions.h"

namespace vt {
namespace {

// A property of a window as the window manager would read it.
struct Property {
  Atom type = 0;
  int format = 0;
  std::vector<long> values;  // for format 32
  std::string text;          // for format 8
};

Property ReadProperty(Display* display, Window window, const char* name) {
  Property result;
  Atom atom = XInternAtom(display, name, False);
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, atom, 0, 1 << 20, False, AnyPropertyType, &result.type,
                         &result.format, &count, &after, &data) != Success) {
    return result;
  }
  if (result.format == 32) {
    const long* longs = reinterpret_cast<const long*>(data);
    result.values.assign(longs, longs + count);
  } else if (result.format == 8) {
    result.text.assign(reinterpret_cast<const char*>(data), count);
  }
  if (data) XFree(data);
  return result;
}

Atom AtomOf(Display* display, const char* name) {
  return XInternAtom(display, name, False);
}

// An open backend on the test's server.
class X11Windows : public X11BackendTest {
 protected:
  void SetUp() override {
    X11BackendTest::SetUp();
    m_backend = Open();
    ASSERT_TRUE(m_backend);
  }

  WindowHandle Make(WindowKind kind, const char* title, const Rect& bounds = {}) {
    WindowHandle window = m_backend->CreateWindow({kind, title, bounds, 0});
    // A question answered on the backend's own connection: the server has carried out all the
    // backend sent before it, so this test's connection reads the window as a window manager
    // would (the backend only flushes, and the server may serve the test's reads first).
    Rect answered;
    m_backend->GetForeignWindowRect(window, answered);
    return window;
  }
  // Pumps the backend's events until the window's map state is the one asked for.
  bool BecomesMapped(WindowHandle window, bool mapped = true) {
    return PumpUntil(
        *m_backend, [&] { return IsMapped(Test(), window) == mapped; }, 2000);
  }

  std::unique_ptr<X11Backend> m_backend;
};

TEST_F(X11Windows, app_window_names_the_program_and_stays_unmapped) {
  WindowHandle app = Make(WindowKind::AppWindow, "Vantorel");
  m_backend->ShowWindow(app, false);
  XSync(Test(), False);
  EXPECT_FALSE(IsMapped(Test(), app));
  EXPECT_EQ(ReadProperty(Test(), app, "_NET_WM_NAME").text, "Vantorel");
  EXPECT_EQ(ReadProperty(Test(), app, "_NET_WM_NAME").type, AtomOf(Test(), "UTF8_STRING"));
  EXPECT_EQ(ReadProperty(Test(), app, "WM_NAME").text, "Vantorel");
  XClassHint hint{};
  ASSERT_TRUE(XGetClassHint(Test(), app, &hint));
  EXPECT_STREQ(hint.res_name, "vantorel");
  EXPECT_STREQ(hint.res_class, "Vantorel");
  XFree(hint.res_name);
  XFree(hint.res_class);
  EXPECT_EQ(ReadProperty(Test(), app, "_NET_WM_PID").values, std::vector<long>{long(getpid())});
  XWMHints* hints = XGetWMHints(Test(), app);
  ASSERT_TRUE(hints);
  EXPECT_TRUE(hints->flags & WindowGroupHint);
  EXPECT_EQ(hints->window_group, app);
  XFree(hints);
}

TEST_F(X11Windows, japanese_titles_are_kept_as_utf8) {
  WindowHandle popup = Make(WindowKind::Popup, "アプリケーション エラー", {0, 0, 50, 50});
  EXPECT_EQ(ReadProperty(Test(), popup, "_NET_WM_NAME").text, "アプリケーション エラー");
}

TEST_F(X11Windows, every_top_level_window_joins_the_app_group_and_answers_delete) {
  WindowHandle popup = Make(WindowKind::Popup, "Popup", {10, 10, 50, 50});
  // The leader may come later: windows made before it join its group then.
  WindowHandle app = Make(WindowKind::AppWindow, "Vantorel");
  WindowHandle full = Make(WindowKind::FullScreen, "Saver");
  for (WindowHandle window : {popup, app, full}) {
    XWMHints* hints = XGetWMHints(Test(), window);
    ASSERT_TRUE(hints);
    EXPECT_EQ(hints->window_group, app);
    XFree(hints);
    Atom* protocols = nullptr;
    int count = 0;
    ASSERT_TRUE(XGetWMProtocols(Test(), window, &protocols, &count));
    ASSERT_EQ(count, 1);
    EXPECT_EQ(protocols[0], AtomOf(Test(), "WM_DELETE_WINDOW"));
    XFree(protocols);
  }
}

TEST_F(X11Windows, popup_asks_for_no_decorations) {
  WindowHandle popup = Make(WindowKind::Popup, "Popup", {30, 40, 120, 90});
  Property motif = ReadProperty(Test(), popup, "_MOTIF_WM_HINTS");
  ASSERT_EQ(motif.values.size(), 5u);
  EXPECT_EQ(motif.values[0], 2);  // decorations given
  EXPECT_EQ(motif.values[2], 0);  // none
  EXPECT_EQ(Geometry(Test(), popup), (Rect{30, 40, 120, 90}));
}

TEST_F(X11Windows, full_screen_window_bypasses_the_window_manager_and_covers_the_screen) {
  WindowHandle full = Make(WindowKind::FullScreen, "Saver", {5, 5, 10, 10});
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(Test(), full, &attributes));
  EXPECT_TRUE(attributes.override_redirect);
  EXPECT_EQ(Geometry(Test(), full), (Rect{0, 0, 1024, 768}));
  Property state = ReadProperty(Test(), full, "_NET_WM_STATE");
  EXPECT_EQ(state.values, (std::vector<long>{long(AtomOf(Test(), "_NET_WM_STATE_FULLSCREEN")),
                                             long(AtomOf(Test(), "_NET_WM_STATE_ABOVE")),
                                             long(AtomOf(Test(), "_NET_WM_STATE_SKIP_TASKBAR"))}));
  // Shown, it lies above a window mapped before it.
  Window other = XCreateSimpleWindow(Test(), DefaultRootWindow(Test()), 0, 0, 100, 100, 0, 0, 0);
  XMapRaised(Test(), other);
  XSync(Test(), False);
  m_backend->ShowWindow(full, true);
  XSync(Test(), False);
  ASSERT_TRUE(BecomesMapped(full));
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(Test(), DefaultRootWindow(Test()), &root, &parent, &children, &count));
  ASSERT_GT(count, 0u);
  EXPECT_EQ(children[count - 1], full);  // top of the stack
  XFree(children);
}

TEST_F(X11Windows, dialog_is_a_fixed_size_transient_centred_on_the_primary_monitor) {
  WindowHandle app = Make(WindowKind::AppWindow, "Vantorel");
  WindowHandle dialog = Make(WindowKind::Dialog, "Vantorel", {0, 0, 300, 200});
  EXPECT_EQ(Geometry(Test(), dialog), (Rect{362, 284, 300, 200}));
  Window owner = 0;
  ASSERT_TRUE(XGetTransientForHint(Test(), dialog, &owner));
  EXPECT_EQ(owner, app);
  EXPECT_EQ(ReadProperty(Test(), dialog, "_NET_WM_WINDOW_TYPE").values,
            std::vector<long>{long(AtomOf(Test(), "_NET_WM_WINDOW_TYPE_DIALOG"))});
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(Test(), dialog, &hints, &supplied));
  EXPECT_TRUE(hints.flags & PMinSize);
  EXPECT_TRUE(hints.flags & PMaxSize);
  EXPECT_EQ(hints.min_width, 300);
  EXPECT_EQ(hints.max_width, 300);
  EXPECT_EQ(hints.min_height, 200);
  EXPECT_EQ(hints.max_height, 200);
  // No window manager runs here, so the box is not framed by anybody: it is what we made.
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(Test(), dialog, &attributes));
  EXPECT_FALSE(attributes.override_redirect);
}

TEST_F(X11Windows, icon_reaches_windows_made_before_and_after_it) {
  WindowHandle before = Make(WindowKind::Popup, "Before", {0, 0, 20, 20});
  Bitmap32 icon(2, 2);
  icon.SetPixel(0, 0, 0xFF112233);
  icon.SetPixel(1, 0, 0x00445566);  // transparent
  icon.SetPixel(0, 1, 0xFFFFFFFF);
  icon.SetPixel(1, 1, 0x80000000);
  m_backend->SetIcon(icon);
  WindowHandle after = Make(WindowKind::Dialog, "After", {0, 0, 20, 20});
  std::vector<uint32_t> expected{2, 2, 0xFF112233, 0x00445566, 0xFFFFFFFF, 0x80000000};
  for (WindowHandle window : {before, after}) {
    Property property = ReadProperty(Test(), window, "_NET_WM_ICON");
    EXPECT_EQ(property.type, XA_CARDINAL);
    // Xlib hands 32-bit items back in longs, sign-extended.
    std::vector<uint32_t> values(property.values.begin(), property.values.end());
    EXPECT_EQ(values, expected);
  }
}

TEST_F(X11Windows, icon_of_another_width_than_height_reaches_top_level_windows_only) {
  WindowHandle popup = Make(WindowKind::Popup, "Popup", {0, 0, 20, 20});
  Window host = XCreateSimpleWindow(Test(), DefaultRootWindow(Test()), 0, 0, 50, 50, 0, 0, 0);
  XSync(Test(), False);
  WindowHandle child =
      m_backend->CreateWindow({WindowKind::Child, "PrvForm", {0, 0, 10, 10}, host});
  Bitmap32 icon(3, 1);
  icon.SetPixel(0, 0, 0xFF010203);
  icon.SetPixel(2, 0, 0xFF040506);
  m_backend->SetIcon(icon);
  // A round trip of the backend's own: the server has handled its requests before we look.
  m_backend->PrimaryScreen();
  std::vector<long> values = ReadProperty(Test(), popup, "_NET_WM_ICON").values;
  EXPECT_EQ(std::vector<uint32_t>(values.begin(), values.end()),
            (std::vector<uint32_t>{3, 1, 0xFF010203, 0, 0xFF040506}));
  EXPECT_EQ(ReadProperty(Test(), child, "_NET_WM_ICON").type, Atom(None));
  // No picture, no icon.
  m_backend->SetIcon(Bitmap32());
  m_backend->PrimaryScreen();
  EXPECT_EQ(ReadProperty(Test(), popup, "_NET_WM_ICON").type, Atom(None));
}

TEST_F(X11Windows, show_and_hide_map_and_unmap) {
  WindowHandle popup = Make(WindowKind::Popup, "Popup", {0, 0, 20, 20});
  XSync(Test(), False);
  EXPECT_FALSE(IsMapped(Test(), popup));  // created hidden
  m_backend->ShowWindow(popup, true);
  ASSERT_TRUE(BecomesMapped(popup));
  m_backend->ShowWindow(popup, false);
  EXPECT_TRUE(BecomesMapped(popup, false));
}

TEST_F(X11Windows, bounds_move_and_resize_without_reporting_a_resize) {
  WindowHandle popup = Make(WindowKind::Popup, "Popup", {0, 0, 20, 20});
  m_backend->ShowWindow(popup, true);
  m_backend->SetWindowBounds(popup, {40, 30, 200, 100});
  ASSERT_TRUE(PumpUntil(
      *m_backend,
      [&] {
        return Geometry(Test(), popup) == Rect{40, 30, 200, 100};
      },
      2000));
  EXPECT_FALSE(WaitFor(*m_backend, EventType::Resized, 300));
  // A change from elsewhere is reported.
  XResizeWindow(Test(), popup, 150, 120);
  XSync(Test(), False);
  auto resized = WaitFor(*m_backend, EventType::Resized, 2000);
  ASSERT_TRUE(resized);
  EXPECT_EQ(resized->window, popup);
  EXPECT_EQ(resized->width, 150);
  EXPECT_EQ(resized->height, 120);
}

TEST_F(X11Windows, a_size_changed_by_others_is_reported_in_either_dimension_and_a_move_not) {
  WindowHandle popup = Make(WindowKind::Popup, "Popup", {0, 0, 100, 80});
  m_backend->ShowWindow(popup, true);
  ASSERT_TRUE(WaitFor(*m_backend, EventType::Expose, 2000));
  XMoveWindow(Test(), popup, 30, 30);
  XSync(Test(), False);
  EXPECT_FALSE(WaitFor(*m_backend, EventType::Resized, 300));
  for (Size size : {Size{100, 120}, Size{140, 120}}) {
    XResizeWindow(Test(), popup, unsigned(size.width), unsigned(size.height));
    XSync(Test(), False);
    auto resized = WaitFor(*m_backend, EventType::Resized, 2000);
    ASSERT_TRUE(resized);
    EXPECT_EQ((Size{resized->width, resized->height}), size);
  }
}

TEST_F(X11Windows, a_box_resized_by_the_program_keeps_its_new_size_fixed) {
  WindowHandle dialog = Make(WindowKind::Dialog, "Vantorel", {0, 0, 300, 200});
  m_backend->SetWindowBounds(dialog, {10, 20, 320, 240});
  m_backend->PrimaryScreen();  // a round trip of the backend's own
  EXPECT_EQ(Geometry(Test(), dialog), (Rect{10, 20, 320, 240}));
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(Test(), dialog, &hints, &supplied));
  EXPECT_EQ((Size{hints.min_width, hints.min_height}), (Size{320, 240}));
  EXPECT_EQ((Size{hints.max_width, hints.max_height}), (Size{320, 240}));
}

TEST_F(X11Windows, mapping_exposes_the_whole_window_once) {
  WindowHandle popup = Make(WindowKind::Popup, "Popup", {10, 10, 64, 48});
  m_backend->ShowWindow(popup, true);
  auto expose = WaitFor(*m_backend, EventType::Expose, 2000);
  ASSERT_TRUE(expose);
  EXPECT_EQ(expose->window, popup);
  EXPECT_EQ(expose->rect, (Rect{0, 0, 64, 48}));
}

TEST_F(X11Windows, uncovering_part_of_a_window_exposes_that_part) {
  WindowHandle popup = Make(WindowKind::Popup, "Popup", {0, 0, 200, 200});
  m_backend->ShowWindow(popup, true);
  ASSERT_TRUE(WaitFor(*m_backend, EventType::Expose, 2000));
  Window cover = XCreateSimpleWindow(Test(), DefaultRootWindow(Test()), 50, 60, 30, 20, 0, 0, 0);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  XChangeWindowAttributes(Test(), cover, CWOverrideRedirect, &attributes);
  XMapRaised(Test(), cover);
  XSync(Test(), False);
  XDestroyWindow(Test(), cover);
  XSync(Test(), False);
  auto expose = WaitFor(*m_backend, EventType::Expose, 2000);
  ASSERT_TRUE(expose);
  EXPECT_EQ(expose->rect, (Rect{50, 60, 30, 20}));
}

TEST_F(X11Windows, an_uncovered_area_of_several_pieces_is_exposed_as_one_rectangle_around_them) {
  WindowHandle popup = Make(WindowKind::Popup, "Popup", {0, 0, 200, 200});
  m_backend->ShowWindow(popup, true);
  ASSERT_TRUE(WaitFor(*m_backend, EventType::Expose, 2000));
  // A window with a smaller one over its middle: taking the larger away uncovers a ring.
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  Window covers[2] = {};
  const Rect places[2] = {{40, 50, 100, 80}, {80, 80, 20, 20}};
  for (int i = 0; i < 2; ++i) {
    covers[i] =
        XCreateWindow(Test(), DefaultRootWindow(Test()), places[i].left, places[i].top,
                      unsigned(places[i].width), unsigned(places[i].height), 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
    XMapRaised(Test(), covers[i]);
  }
  XSync(Test(), False);
  XDestroyWindow(Test(), covers[0]);
  XSync(Test(), False);
  auto expose = WaitFor(*m_backend, EventType::Expose, 2000);
  ASSERT_TRUE(expose);
  EXPECT_EQ(expose->rect, places[0]);
  EXPECT_FALSE(WaitFor(*m_backend, EventType::Expose, 300));
}

TEST_F(X11Windows, delete_window_message_is_a_close_request) {
  WindowHandle dialog = Make(WindowKind::Dialog, "Box", {0, 0, 100, 80});
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = dialog;
  event.xclient.message_type = AtomOf(Test(), "WM_PROTOCOLS");
  event.xclient.format = 32;
  event.xclient.data.l[0] = long(AtomOf(Test(), "WM_DELETE_WINDOW"));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(Test(), dialog, False, NoEventMask, &event);
  XSync(Test(), False);
  auto close = WaitFor(*m_backend, EventType::CloseRequest, 2000);
  ASSERT_TRUE(close);
  EXPECT_EQ(close->window, dialog);
}

// ---- Foreign windows ----

class X11Foreign : public X11Windows {
 protected:
  void SetUp() override {
    X11Windows::SetUp();
    m_host = XCreateSimpleWindow(Test(), DefaultRootWindow(Test()), 10, 20, 200, 150, 3, 0, 0);
    XSync(Test(), False);
  }
  Window m_host = 0;
};

TEST_F(X11Foreign, child_window_lies_inside_its_host) {
  WindowHandle child =
      m_backend->CreateWindow({WindowKind::Child, "PrvForm", {5, 6, 50, 40}, m_host});
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(Test(), child, &root, &parent, &children, &count));
  if (children) XFree(children);
  EXPECT_EQ(parent, m_host);
  EXPECT_EQ(Geometry(Test(), child), (Rect{5, 6, 50, 40}));
  // A child is no top-level window: it carries no window-manager properties.
  EXPECT_EQ(ReadProperty(Test(), child, "WM_PROTOCOLS").type, Atom(None));
}

TEST_F(X11Foreign, child_is_reported_destroyed_with_its_host) {
  WindowHandle child =
      m_backend->CreateWindow({WindowKind::Child, "PrvForm", {0, 0, 50, 40}, m_host});
  XMapWindow(Test(), m_host);
  m_backend->ShowWindow(child, true);
  ASSERT_TRUE(BecomesMapped(child));
  XDestroyWindow(Test(), m_host);
  XSync(Test(), False);
  auto destroyed = WaitFor(*m_backend, EventType::Destroyed, 2000);
  ASSERT_TRUE(destroyed);
  EXPECT_EQ(destroyed->window, child);
  // The widget layer may still let go of it, and draw into it before it hears the news.
  m_backend->Present(child, Bitmap32(50, 40, 0xFF0000), {{0, 0, 50, 40}});
  m_backend->DestroyWindow(child);
  EXPECT_FALSE(WaitFor(*m_backend, EventType::Destroyed, 200));
}

TEST_F(X11Foreign, window_destroyed_by_the_program_is_not_reported) {
  WindowHandle popup = Make(WindowKind::Popup, "Popup", {0, 0, 20, 20});
  m_backend->DestroyWindow(popup);
  XSync(Test(), False);
  EXPECT_FALSE(WaitFor(*m_backend, EventType::Destroyed, 300));
  X11ErrorTrap trap(Test());
  XWindowAttributes attributes{};
  XGetWindowAttributes(Test(), popup, &attributes);
  EXPECT_EQ(trap.Finish(), BadWindow);
}

TEST_F(X11Foreign, child_of_a_window_that_does_not_exist_is_an_os_error) {
  try {
    m_backend->CreateWindow({WindowKind::Child, "PrvForm", {0, 0, 50, 40}, 0x7fffffff});
    FAIL() << "no error";
  } catch (const EOSError& error) {
    EXPECT_EQ(error.Kind(), "EOSError");
    EXPECT_EQ(error.Message().rfind("システムエラー。コード：3.\r\n", 0), 0u) << error.Message();
    EXPECT_NE(error.Message().find("BadWindow"), std::string::npos) << error.Message();
  }
  // The backend goes on working after the trapped error.
  WindowHandle popup = Make(WindowKind::Popup, "Popup", {0, 0, 20, 20});
  EXPECT_NE(popup, 0u);
}

TEST_F(X11Foreign, outer_rectangle_counts_the_border_in_root_coordinates) {
  Rect outer;
  ASSERT_TRUE(m_backend->GetForeignWindowRect(m_host, outer));
  EXPECT_EQ(outer, (Rect{10, 20, 206, 156}));
  Window inner = XCreateSimpleWindow(Test(), m_host, 5, 7, 40, 30, 2, 0, 0);
  XSync(Test(), False);
  ASSERT_TRUE(m_backend->GetForeignWindowRect(inner, outer));
  // The host's client area starts inside its border of 3.
  EXPECT_EQ(outer, (Rect{18, 30, 44, 34}));
}

TEST_F(X11Foreign, outer_rectangle_of_a_window_that_does_not_exist_is_zero) {
  Rect outer{1, 2, 3, 4};
  EXPECT_FALSE(m_backend->GetForeignWindowRect(0x7fffffff, outer));
  EXPECT_EQ(outer, Rect{});
}

TEST_F(X11Foreign, showing_a_host_maps_it_and_a_missing_one_fails_quietly) {
  EXPECT_TRUE(m_backend->ShowForeignWindow(m_host));
  XSync(Test(), False);
  EXPECT_TRUE(IsMapped(Test(), m_host));
  EXPECT_FALSE(m_backend->ShowForeignWindow(0x7fffffff));
}

}  // namespace
}  // namespace vt
