// Writes what one of KWin's outputs shows, in its physical pixels and with the pointer as KWin
// draws it, to a binary PPM file, through KWin's screenshot D-Bus interface
// (org.kde.KWin.ScreenShot2.CaptureScreen, on the session bus that DBUS_SESSION_BUS_ADDRESS
// names). KWin answers the call first and writes the raw pixels into the pipe it was handed
// afterwards, so the pipe is read on a thread of its own while the call waits.
//
//   kwin_screenshot OUTPUT FILE.ppm
#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// QImage's formats that hold one 0xAARRGGBB word a pixel, the ones KWin hands out.
constexpr uint32_t kQImageRgb32 = 4, kQImageArgb32 = 5, kQImageArgb32Premultiplied = 6;

struct Picture {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t stride = 0;
  uint32_t format = 0;
};

// Reads the results dictionary of the reply; false when it is not the one expected.
bool ReadResults(sd_bus_message* reply, Picture* picture, std::string* type) {
  if (sd_bus_message_enter_container(reply, 'a', "{sv}") < 0) return false;
  for (;;) {
    int entered = sd_bus_message_enter_container(reply, 'e', "sv");
    if (entered < 0) return false;
    if (entered == 0) break;
    const char* key = nullptr;
    if (sd_bus_message_read(reply, "s", &key) < 0) return false;
    uint32_t* number = std::strcmp(key, "width") == 0    ? &picture->width
                       : std::strcmp(key, "height") == 0 ? &picture->height
                       : std::strcmp(key, "stride") == 0 ? &picture->stride
                       : std::strcmp(key, "format") == 0 ? &picture->format
                                                         : nullptr;
    const char* text = nullptr;
    int read = number                          ? sd_bus_message_read(reply, "v", "u", number)
               : std::strcmp(key, "type") == 0 ? sd_bus_message_read(reply, "v", "s", &text)
                                               : sd_bus_message_skip(reply, "v");
    if (read < 0 || sd_bus_message_exit_container(reply) < 0) return false;
    if (text) *type = text;
  }
  return sd_bus_message_exit_container(reply) >= 0;
}

bool WritePpm(const char* path, const Picture& picture, const std::vector<unsigned char>& data) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  std::fprintf(file, "P6\n%u %u\n255\n", picture.width, picture.height);
  std::vector<unsigned char> row(size_t(picture.width) * 3);
  for (size_t y = 0; y < picture.height; ++y) {
    for (size_t x = 0; x < picture.width; ++x) {
      uint32_t pixel = 0;
      std::memcpy(&pixel, &data[y * picture.stride + x * 4], 4);
      row[3 * x] = uint8_t(pixel >> 16);
      row[3 * x + 1] = uint8_t(pixel >> 8);
      row[3 * x + 2] = uint8_t(pixel);
    }
    std::fwrite(row.data(), 1, row.size(), file);
  }
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kwin_screenshot OUTPUT FILE.ppm\n");
    return 2;
  }
  sd_bus* bus = nullptr;
  int pipe_fds[2];
  if (sd_bus_open_user(&bus) < 0 || pipe2(pipe_fds, O_CLOEXEC) != 0) {
    std::fprintf(stderr, "kwin_screenshot: no session bus\n");
    return 1;
  }
  std::vector<unsigned char> data;
  std::thread reader([&, fd = pipe_fds[0]] {
    unsigned char chunk[65536];
    for (ssize_t got; (got = read(fd, chunk, sizeof chunk)) > 0;) {
      data.insert(data.end(), chunk, chunk + got);
    }
    close(fd);
  });

  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int called = sd_bus_call_method(bus, "org.kde.KWin.ScreenShot2", "/org/kde/KWin/ScreenShot2",
                                  "org.kde.KWin.ScreenShot2", "CaptureScreen", &error, &reply,
                                  "sa{sv}h", argv[1], 2, "native-resolution", "b", 1,
                                  "include-cursor", "b", 1, pipe_fds[1]);
  // The call sent KWin its own copy of the pipe's end; the reader sees the end of the data
  // once KWin closes that copy.
  close(pipe_fds[1]);
  reader.join();
  Picture picture;
  std::string type;
  bool read = called >= 0 && ReadResults(reply, &picture, &type);
  if (called < 0) {
    std::fprintf(stderr, "kwin_screenshot: %s\n", error.message ? error.message : "call failed");
  }
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  sd_bus_unref(bus);
  if (!read) return 1;
  bool word_pixels = picture.format == kQImageRgb32 || picture.format == kQImageArgb32 ||
                     picture.format == kQImageArgb32Premultiplied;
  if (type != "raw" || !word_pixels || picture.width == 0 || picture.stride < picture.width * 4 ||
      data.size() < size_t(picture.stride) * picture.height) {
    std::fprintf(
        stderr, "kwin_screenshot: unexpected picture: %s %ux%u stride %u format %u, %zu bytes\n",
        type.c_str(), picture.width, picture.height, picture.stride, picture.format, data.size());
    return 1;
  }
  if (!WritePpm(argv[2], picture, data)) {
    std::fprintf(stderr, "kwin_screenshot: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
