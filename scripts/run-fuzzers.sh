#!/usr/bin/env bash
# Builds the picture-decoder fuzzers with clang and libFuzzer and runs each for a bounded time.
#
#   scripts/run-fuzzers.sh [build-dir] [seconds-per-target] [target...]
#
# build-dir defaults to build-fuzz (relative to the repository), seconds to $VT_FUZZ_SECONDS
# or 60, targets to every fuzz/*.cpp. The seed corpus is every picture under tests/data plus
# small valid bitmaps and JPEGs of every kind the decoders know, written by a generator that
# this script compiles against libjpeg. Corpora grow across runs in <build-dir>/fuzz-work.
# Crashes, leaks, sanitizer reports and timeouts are saved to <build-dir>/fuzz-work/artifacts
# and make the script exit non-zero; each one belongs in tests/data/malformed with a test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

build=${1:-build-fuzz}
seconds=${2:-${VT_FUZZ_SECONDS:-60}}
shift $(($# > 2 ? 2 : $#))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/*.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi

CC=clang CXX=clang++ cmake -S . -B "$build" -DVT_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target "${targets[@]}" -j2

work=$build/fuzz-work
mkdir -p "$work/artifacts" "$work/seeds/bitmap" "$work/seeds/jpeg"

# Small valid files of every variant, written independently of the decoders under test.
cat >"$work/seedgen.c" <<'EOF'
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <jpeglib.h>

static const char* dir;

static void save(const char* sub, const char* name, const unsigned char* data, size_t size) {
  char path[1024];
  snprintf(path, sizeof path, "%s/%s/%s", dir, sub, name);
  FILE* f = fopen(path, "wb");
  if (!f || fwrite(data, 1, size, f) != size) { perror(path); exit(1); }
  fclose(f);
}

static void put16(unsigned char* p, unsigned v) { p[0] = v; p[1] = v >> 8; }
static void put32(unsigned char* p, unsigned v) { put16(p, v); put16(p + 2, v >> 16); }

/* A bitmap of w x h (negative h: top-down) with the given header size, depth and
   compression; pixel bytes are a pattern (or the given run-length data). */
static void bitmap(const char* name, unsigned hsize, int w, int h, int bpp, unsigned comp,
                   unsigned colors, const unsigned char* rle, size_t rle_size) {
  unsigned char buf[65536];
  memset(buf, 0, sizeof buf);
  size_t pos = 14 + hsize;
  put32(buf + 14, hsize);
  if (hsize == 12) {
    put16(buf + 18, w); put16(buf + 20, h); put16(buf + 22, 1); put16(buf + 24, bpp);
  } else {
    put32(buf + 18, w); put32(buf + 22, h); put16(buf + 26, 1); put16(buf + 28, bpp);
    put32(buf + 30, comp); put32(buf + 46, colors);
  }
  if (comp == 3) {
    unsigned r = bpp == 16 ? 0xF800 : 0xFF0000, g = bpp == 16 ? 0x07E0 : 0xFF00, b = bpp == 16 ? 0x1F : 0xFF;
    unsigned char* m = hsize >= 52 ? buf + 54 : buf + pos;
    put32(m, r); put32(m + 4, g); put32(m + 8, b);
    if (hsize == 40) pos += 12;
  }
  if (bpp <= 8) {
    unsigned n = colors ? colors : 1u << bpp;
    for (unsigned i = 0; i < n; ++i) {
      buf[pos++] = i * 37; buf[pos++] = 255 - i; buf[pos++] = i * 11;
      if (hsize != 12) buf[pos++] = 0;
    }
  }
  const size_t offset = pos;
  put32(buf + 10, offset);
  if (rle) {
    memcpy(buf + pos, rle, rle_size);
    pos += rle_size;
  } else {
    size_t stride = ((size_t)w * bpp + 31) / 32 * 4, rows = h < 0 ? -h : h;
    for (size_t i = 0; i < stride * rows; ++i) buf[pos++] = (i * 29 + i / stride * 7) & 0xFF;
  }
  buf[0] = 'B'; buf[1] = 'M';
  put32(buf + 2, pos);
  if (hsize != 12) put32(buf + 34, pos - offset);
  save("bitmap", name, buf, pos);
}

static void jpeg(const char* name, int w, int h, J_COLOR_SPACE space, int sampling, int progressive,
                 int optimize, int restart, int arith) {
  struct jpeg_compress_struct c;
  struct jpeg_error_mgr e;
  unsigned char* out = NULL;
  unsigned long size = 0;
  c.err = jpeg_std_error(&e);
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = w; c.image_height = h;
  c.input_components = space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK ? 4 : 3;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 80, TRUE);
  if (space == JCS_RGB) { c.comp_info[0].h_samp_factor = sampling; c.comp_info[0].v_samp_factor = sampling; }
  if (progressive) jpeg_simple_progression(&c);
  c.optimize_coding = optimize;
  c.restart_in_rows = restart;
  c.arith_code = arith;
  jpeg_start_compress(&c, TRUE);
  unsigned char row[4 * 256];
  while (c.next_scanline < c.image_height) {
    for (int i = 0; i < w * c.input_components; ++i) row[i] = (i * 13 + c.next_scanline * 7) & 0xFF;
    JSAMPROW r = row;
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  save("jpeg", name, out, size);
  free(out);
}

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  dir = argv[1];
  static const unsigned sizes[] = {12, 40, 52, 56, 108, 124};
  static const int depths[] = {1, 4, 8, 16, 24, 32};
  char name[64];
  for (int s = 0; s < 6; ++s) {
    for (int d = 0; d < 6; ++d) {
      if (sizes[s] == 12 && (depths[d] == 16 || depths[d] == 32)) continue;
      snprintf(name, sizeof name, "h%u-%dbpp.bmp", sizes[s], depths[d]);
      bitmap(name, sizes[s], 7, 5, depths[d], 0, 0, NULL, 0);
      if (sizes[s] != 12) {
        snprintf(name, sizeof name, "h%u-%dbpp-topdown.bmp", sizes[s], depths[d]);
        bitmap(name, sizes[s], 5, -3, depths[d], 0, 0, NULL, 0);
      }
      if (sizes[s] != 12 && (depths[d] == 16 || depths[d] == 32)) {
        snprintf(name, sizeof name, "h%u-%dbpp-fields.bmp", sizes[s], depths[d]);
        bitmap(name, sizes[s], 6, 4, depths[d], 3, 0, NULL, 0);
      }
    }
  }
  bitmap("short-palette.bmp", 40, 9, 3, 8, 0, 5, NULL, 0);
  static const unsigned char rle8[] = {3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 2, 3, 0, 2, 2, 1,
                                       2, 1, 0, 0, 8, 2, 0, 1};
  bitmap("rle8.bmp", 40, 6, 4, 8, 1, 4, rle8, sizeof rle8);
  static const unsigned char rle4[] = {3, 0x12, 0, 3, 0xAB, 0xC0, 1, 0x70, 0, 0,
                                       0, 5, 0xDE, 0xF1, 0x20, 0, 0, 1};
  bitmap("rle4.bmp", 40, 7, 2, 4, 2, 0, rle4, sizeof rle4);
  jpeg("baseline-420.jpg", 33, 17, JCS_RGB, 2, 0, 0, 0, 0);
  jpeg("baseline-444.jpg", 16, 16, JCS_RGB, 1, 0, 0, 0, 0);
  jpeg("gray.jpg", 24, 9, JCS_GRAYSCALE, 1, 0, 0, 0, 0);
  jpeg("progressive.jpg", 40, 24, JCS_RGB, 2, 1, 0, 0, 0);
  jpeg("progressive-gray.jpg", 17, 31, JCS_GRAYSCALE, 1, 1, 0, 0, 0);
  jpeg("optimized-restart.jpg", 48, 32, JCS_RGB, 2, 0, 1, 1, 0);
  jpeg("cmyk.jpg", 16, 8, JCS_CMYK, 1, 0, 0, 0, 0);
  jpeg("arithmetic.jpg", 24, 16, JCS_RGB, 2, 0, 0, 0, 1);
  jpeg("arithmetic-progressive.jpg", 24, 16, JCS_RGB, 2, 1, 0, 0, 1);
  return 0;
}
EOF
clang -O1 -o "$work/seedgen" "$work/seedgen.c" -ljpeg
"$work/seedgen" "$work/seeds"
find tests/data -type f -iname '*.bmp' -exec cp {} "$work/seeds/bitmap/" \;
find tests/data -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) -exec cp {} "$work/seeds/jpeg/" \;

# Dictionaries of the formats' markers and magic values help the mutations keep structure.
cat >"$work/bitmap.dict" <<'EOF'
"BM"
"\x0c\x00\x00\x00"
"(\x00\x00\x00"
"4\x00\x00\x00"
"8\x00\x00\x00"
"l\x00\x00\x00"
"|\x00\x00\x00"
"\x00\xf8\x00\x00"
"\xe0\x07\x00\x00"
"\x1f\x00\x00\x00"
"\x00\x00\xff\x00"
"\xff\xff\xff\xff"
"\x00\x00\x00\x80"
"\x00\x00"
"\x00\x01"
"\x00\x02"
EOF
cat >"$work/jpeg.dict" <<'EOF'
"\xff\xd8"
"\xff\xd9"
"\xff\xc0"
"\xff\xc1"
"\xff\xc2"
"\xff\xc9"
"\xff\xca"
"\xff\xc4"
"\xff\xcc"
"\xff\xdb"
"\xff\xda"
"\xff\xdd"
"\xff\xd0"
"\xff\xe0"
"\xff\xee"
"\xff\xfe"
"JFIF\x00"
"Adobe"
EOF

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for target in "${targets[@]}"; do
  kind=${target#fuzz_}
  corpus=$work/corpus/$target
  mkdir -p "$corpus"
  dict=()
  if [ -f "$work/$kind.dict" ]; then dict=(-dict="$work/$kind.dict"); fi
  echo "== $target for ${seconds}s"
  # A decode may take a while under the sanitizers, but never ten seconds; more is a hang.
  if ! "$build/$target" "$corpus" "$work/seeds/$kind" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2560 -max_len=65536 -artifact_prefix="$work/artifacts/$target-" \
      "${dict[@]}" \
      -print_final_stats=1 >"$work/$target.log" 2>&1; then
    failed+=("$target")
    tail -n 40 "$work/$target.log"
  else
    grep -E '^stat::number_of_executed_units|^#[0-9]+ *DONE' "$work/$target.log" || true
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "Fuzzing found problems in: ${failed[*]} (inputs in $work/artifacts)" >&2
  exit 1
fi
echo "No crash found."
