// The seat's keyboard map as the compositor hands it over: key codes to virtual keys through
// the layout's own symbols, and the modifiers to shift states.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "widgets/wayland/WaylandKeys.h"

namespace vt {
namespace {

// A memory file holding text (and its final NUL unless told otherwise), as the keymap event
// passes it.
int MemoryFile(const std::string& text, bool with_nul = true) {
  int fd = memfd_create("keymap", MFD_CLOEXEC);
  size_t size = text.size() + (with_nul ? 1 : 0);
  EXPECT_EQ(write(fd, text.c_str(), size), ssize_t(size));
  return fd;
}

// The keymap text xkbcommon makes for a layout, as a compositor sends it.
std::string KeymapText(const char* layout) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_rule_names names{"evdev", "pc105", layout, "", ""};
  xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
  std::string result = text ? text : "";
  std::free(text);
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
  return result;
}

bool Load(WaylandKeys& keys, const char* layout) {
  std::string text = KeymapText(layout);
  return keys.SetKeymap(MemoryFile(text), uint32_t(text.size() + 1));
}

TEST(WaylandKeys, KeysOfTheUsLayoutGiveTheVirtualKeysOfTheX11Build) {
  WaylandKeys keys;
  ASSERT_TRUE(Load(keys, "us"));
  EXPECT_EQ(keys.VirtualKey(KEY_A), 'A');
  EXPECT_EQ(keys.VirtualKey(KEY_1), '1');
  EXPECT_EQ(keys.VirtualKey(KEY_TAB), VK_TAB);
  EXPECT_EQ(keys.VirtualKey(KEY_ENTER), VK_RETURN);
  EXPECT_EQ(keys.VirtualKey(KEY_LEFT), VK_LEFT);
  EXPECT_EQ(keys.VirtualKey(KEY_F10), VK_F10);
  EXPECT_EQ(keys.VirtualKey(KEY_LEFTSHIFT), VK_SHIFT);
  EXPECT_EQ(keys.VirtualKey(KEY_RIGHTCTRL), VK_CONTROL);
  EXPECT_EQ(keys.VirtualKey(KEY_LEFTALT), VK_MENU);
  EXPECT_EQ(keys.VirtualKey(KEY_GRAVE), VK_OEM);
}

TEST(WaylandKeys, ModifiersGiveShiftStatesWhileKeysStayUnshifted) {
  WaylandKeys keys;
  ASSERT_TRUE(Load(keys, "us"));
  EXPECT_EQ(keys.ShiftState(), 0u);
  // The modifier indices of xkbcommon's default maps: Shift 0, Control 2, Mod1 (Alt) 3.
  keys.SetModifiers(1u << 0, 0, 0, 0);
  EXPECT_EQ(keys.ShiftState(), TShiftState(ssShift));
  EXPECT_EQ(keys.VirtualKey(KEY_1), '1');  // not "!"
  EXPECT_EQ(keys.VirtualKey(KEY_TAB), VK_TAB);
  keys.SetModifiers(1u << 2 | 1u << 3, 0, 0, 0);
  EXPECT_EQ(keys.ShiftState(), TShiftState(ssCtrl | ssAlt));
}

TEST(WaylandKeys, LettersFollowTheLayout) {
  WaylandKeys keys;
  ASSERT_TRUE(Load(keys, "de"));
  EXPECT_EQ(keys.VirtualKey(KEY_Y), 'Z');
  EXPECT_EQ(keys.VirtualKey(KEY_Z), 'Y');
}

TEST(WaylandKeys, AMapThatCannotBeReadLeavesThePreviousOne) {
  WaylandKeys keys;
  EXPECT_EQ(keys.VirtualKey(KEY_A), VK_OEM);  // no map yet: still a key
  ASSERT_TRUE(Load(keys, "us"));
  std::string text = KeymapText("de");
  // Without the final NUL that the protocol asks for, the text would be read past its end.
  EXPECT_FALSE(keys.SetKeymap(MemoryFile(text, false), uint32_t(text.size())));
  EXPECT_FALSE(keys.SetKeymap(MemoryFile("xkb_keymap { nonsense };"), 25));
  EXPECT_FALSE(keys.SetKeymap(MemoryFile(""), 0));
  EXPECT_EQ(keys.VirtualKey(KEY_Y), 'Y');
}

}  // namespace
}  // namespace vt
