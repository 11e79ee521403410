// Draws mkinstall's pictures: the splash (splash.bmp, 320 by 400 pixels, 256
// colours) and the program's icon (mkinstall.ico, 32 by 32 and 16 by 16). The
// committed files come from this program, and a test checks that it still
// makes them byte for byte:
//
//   MakeSetupPictures DIRECTORY    writes DIRECTORY/splash.bmp and mkinstall.ico
//
// Everything is computed from fixed numbers, so every run makes the same bytes.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

// Little-endian writers for the file headers.
void Put16(std::vector<std::uint8_t>* out, unsigned value) {
  out->push_back(static_cast<std::uint8_t>(value));
  out->push_back(static_cast<std::uint8_t>(value >> 8));
}
void Put32(std::vector<std::uint8_t>* out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// A BITMAPINFOHEADER.
void PutInfoHeader(std::vector<std::uint8_t>* out, int width, int height, int bits,
                   std::uint32_t imageSize, std::uint32_t colours) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(bits));
  Put32(out, 0);  // uncompressed
  Put32(out, imageSize);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, colours);
  Put32(out, 0);
}

Rgb Mix(Rgb a, Rgb b, int part, int whole) {
  auto mix = [&](int x, int y) { return static_cast<std::uint8_t>(x + (y - x) * part / whole); };
  return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

// A 5 by 7 pixel font with the letters the splash needs.
struct Glyph {
  char c;
  const char* rows[7];
};

const Glyph kGlyphs[] = {
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"}},
    {'d', {"....#", "....#", ".##.#", "#..##", "#...#", "#...#", ".####"}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
    {'i', {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."}},
    {'k', {"#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."}},
    {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'m', {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"}},
    {'n', {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
    {'p', {".....", ".....", "####.", "#...#", "####.", "#....", "#...."}},
    {'s', {".....", ".....", ".####", "#....", ".###.", "....#", "####."}},
    {'t', {".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##."}},
    {'u', {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"}},
};

const Glyph& GlyphOf(char c) {
  for (const Glyph& glyph : kGlyphs) {
    if (glyph.c == c) return glyph;
  }
  return kGlyphs[0];
}

// An 8-bit picture with its palette.
class Picture {
 public:
  Picture(int width, int height) : width_(width), height_(height), pixels_(width * height, 0) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  void Set(int x, int y, std::uint8_t index) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[y * width_ + x] = index;
  }
  std::uint8_t At(int x, int y) const { return pixels_[y * width_ + x]; }

  void Fill(int x0, int y0, int x1, int y1, std::uint8_t index) {
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) Set(x, y, index);
    }
  }

  // Text centred on `centreX`, each font pixel `scale` pixels square, with a
  // shadow one font pixel down and right.
  void Text(const std::string& text, int centreX, int top, int scale, std::uint8_t ink,
            std::uint8_t shadow) {
    const int advance = 6 * scale;
    const int left = centreX - (static_cast<int>(text.size()) * advance - scale) / 2;
    for (int pass = 0; pass < 2; ++pass) {
      const int offset = pass == 0 ? scale / 2 + 1 : 0;
      for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph& glyph = GlyphOf(text[i]);
        for (int row = 0; row < 7; ++row) {
          for (int column = 0; column < 5; ++column) {
            if (glyph.rows[row][column] != '#') continue;
            int x = left + static_cast<int>(i) * advance + column * scale + offset;
            int y = top + row * scale + offset;
            Fill(x, y, x + scale, y + scale, pass == 0 ? shadow : ink);
          }
        }
      }
    }
  }

 private:
  int width_;
  int height_;
  std::vector<std::uint8_t> pixels_;
};

// The palette's layout.
constexpr int kSky = 0;  // 64 shades from the top of the picture to its foot
constexpr int kSkyShades = 64;
constexpr int kPads = 64;  // 6 pad colours, 4 shades each: light edge, face, dark edge, shade
constexpr int kPadColours = 6;
constexpr int kWhite = 100;
constexpr int kShadow = 101;
constexpr int kGrey = 102;
constexpr int kBoard = 103;
constexpr int kBoardEdge = 104;

std::vector<Rgb> SplashPalette() {
  std::vector<Rgb> palette(256, Rgb{0, 0, 0});
  const Rgb top{20, 33, 61};
  const Rgb foot{31, 111, 120};
  for (int i = 0; i < kSkyShades; ++i) palette[kSky + i] = Mix(top, foot, i, kSkyShades - 1);
  const Rgb padFaces[kPadColours] = {{233, 196, 106}, {244, 162, 97},  {231, 111, 81},
                                     {42, 157, 143},  {138, 177, 125}, {120, 144, 220}};
  for (int c = 0; c < kPadColours; ++c) {
    palette[kPads + 4 * c] = Mix(padFaces[c], Rgb{255, 255, 255}, 2, 5);
    palette[kPads + 4 * c + 1] = padFaces[c];
    palette[kPads + 4 * c + 2] = Mix(padFaces[c], Rgb{0, 0, 0}, 2, 5);
    palette[kPads + 4 * c + 3] = Mix(padFaces[c], Rgb{0, 0, 0}, 4, 5);
  }
  palette[kWhite] = {255, 255, 255};
  palette[kShadow] = {8, 14, 28};
  palette[kGrey] = {190, 205, 215};
  palette[kBoard] = {16, 27, 50};
  palette[kBoardEdge] = {70, 100, 130};
  return palette;
}

// One pad: a bevelled square with cut corners, its colour `colour`.
void DrawPad(Picture* picture, int x0, int y0, int size, int colour) {
  const std::uint8_t light = static_cast<std::uint8_t>(kPads + 4 * colour);
  const std::uint8_t face = static_cast<std::uint8_t>(light + 1);
  const std::uint8_t dark = static_cast<std::uint8_t>(light + 2);
  const int bevel = size / 12 + 1;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      // Cut corners make the square read as a tile.
      int cx = x < 2 ? 2 - x : (x >= size - 2 ? x - size + 3 : 0);
      int cy = y < 2 ? 2 - y : (y >= size - 2 ? y - size + 3 : 0);
      if (cx + cy > 2) continue;
      std::uint8_t index = face;
      if (x < bevel || y < bevel) index = light;
      if (x >= size - bevel || y >= size - bevel) index = dark;
      picture->Set(x0 + x, y0 + y, index);
    }
  }
}

// A plus sign: the pad being added.
void DrawPlus(Picture* picture, int centreX, int centreY, int arm, int thickness,
              std::uint8_t index) {
  picture->Fill(centreX - arm, centreY - thickness / 2, centreX + arm,
                centreY - thickness / 2 + thickness, index);
  picture->Fill(centreX - thickness / 2, centreY - arm, centreX - thickness / 2 + thickness,
                centreY + arm, index);
}

Picture DrawSplash() {
  Picture picture(320, 400);
  for (int y = 0; y < picture.Height(); ++y) {
    picture.Fill(0, y, picture.Width(), y + 1,
                 static_cast<std::uint8_t>(kSky + y * kSkyShades / picture.Height()));
  }

  // The board: a grid of pads, one place still free and its pad on the way in.
  const int pad = 46;
  const int gap = 10;
  const int columns = 4;
  const int rows = 4;
  const int boardLeft = (picture.Width() - (columns * pad + (columns - 1) * gap)) / 2;
  const int boardTop = 58;
  const int boardRight = boardLeft + columns * pad + (columns - 1) * gap;
  const int boardBottom = boardTop + rows * pad + (rows - 1) * gap;
  picture.Fill(boardLeft - 12, boardTop - 12, boardRight + 12, boardBottom + 12, kBoardEdge);
  picture.Fill(boardLeft - 10, boardTop - 10, boardRight + 10, boardBottom + 10, kBoard);
  const int freeColumn = 2;
  const int freeRow = 1;
  const int kBoardColours[4][4] = {{0, 3, 1, 5}, {2, 4, 0, 3}, {5, 1, 3, 2}, {3, 0, 4, 1}};
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      int x = boardLeft + column * (pad + gap);
      int y = boardTop + row * (pad + gap);
      if (row == freeRow && column == freeColumn) {
        // The free place: a dashed outline.
        for (int i = 0; i < pad; i += 6) {
          picture.Fill(x + i, y, x + i + 3, y + 2, kBoardEdge);
          picture.Fill(x + i, y + pad - 2, x + i + 3, y + pad, kBoardEdge);
          picture.Fill(x, y + i, x + 2, y + i + 3, kBoardEdge);
          picture.Fill(x + pad - 2, y + i, x + pad, y + i + 3, kBoardEdge);
        }
        continue;
      }
      DrawPad(&picture, x, y, pad, kBoardColours[row][column]);
    }
  }
  // The new pad, above and to the right of its place, with its shadow below.
  const int newX = boardLeft + freeColumn * (pad + gap) + 14;
  const int newY = boardTop + freeRow * (pad + gap) - 16;
  picture.Fill(newX + 6, newY + 8, newX + pad + 6, newY + pad + 8, kShadow);
  DrawPad(&picture, newX, newY, pad, 2);
  DrawPlus(&picture, newX + pad / 2, newY + pad / 2, 12, 6, kWhite);

  picture.Text("mkinstall", picture.Width() / 2, 300, 4, kWhite, kShadow);
  picture.Text("pad module setup", picture.Width() / 2, 344, 2, kGrey, kShadow);
  picture.Text("V1.01", picture.Width() / 2, 368, 2, kGrey, kShadow);
  return picture;
}

std::vector<std::uint8_t> BitmapFile(const Picture& picture, const std::vector<Rgb>& palette) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(picture.Width()) + 3) & ~3u;
  const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(picture.Height());
  const std::uint32_t offset = 14 + 40 + 4 * 256;
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(&out, offset + imageSize);
  Put32(&out, 0);
  Put32(&out, offset);
  PutInfoHeader(&out, picture.Width(), picture.Height(), 8, imageSize, 256);
  for (const Rgb& colour : palette) {
    out.push_back(colour.b);
    out.push_back(colour.g);
    out.push_back(colour.r);
    out.push_back(0);
  }
  for (int y = picture.Height() - 1; y >= 0; --y) {  // bottom row first
    for (int x = 0; x < picture.Width(); ++x) out.push_back(picture.At(x, y));
    for (std::uint32_t x = static_cast<std::uint32_t>(picture.Width()); x < stride; ++x) {
      out.push_back(0);
    }
  }
  return out;
}

// The icon at one size: four pads, the lower right one being added. 32 bits
// with alpha; index 0 of the picture is transparent.
std::vector<std::uint8_t> IconImage(int size, const std::vector<Rgb>& palette) {
  Picture picture(size, size);
  const int pad = size / 2 - 1;
  DrawPad(&picture, 0, 0, pad, 0);
  DrawPad(&picture, size - pad, 0, pad, 3);
  DrawPad(&picture, 0, size - pad, pad, 2);
  DrawPad(&picture, size - pad, size - pad, pad, 5);
  DrawPlus(&picture, size - pad / 2 - 1, size - pad / 2 - 1, pad / 3, size / 16 + 1, kWhite);

  std::vector<std::uint8_t> out;
  const std::uint32_t maskStride = ((static_cast<std::uint32_t>(size) + 31) / 32) * 4;
  const std::uint32_t imageSize =
      static_cast<std::uint32_t>(size * size * 4) + maskStride * static_cast<std::uint32_t>(size);
  PutInfoHeader(&out, size, 2 * size, 32, imageSize, 0);  // colour and mask, stacked
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      std::uint8_t index = picture.At(x, y);
      const Rgb& colour = palette[index];
      out.push_back(colour.b);
      out.push_back(colour.g);
      out.push_back(colour.r);
      out.push_back(index == 0 ? 0 : 255);
    }
  }
  for (int y = size - 1; y >= 0; --y) {
    for (std::uint32_t byte = 0; byte < maskStride; ++byte) {
      std::uint8_t bits = 0;
      for (int bit = 0; bit < 8; ++bit) {
        int x = static_cast<int>(byte) * 8 + bit;
        if (x >= size || picture.At(x, y) == 0) bits |= static_cast<std::uint8_t>(0x80 >> bit);
      }
      out.push_back(bits);
    }
  }
  return out;
}

std::vector<std::uint8_t> IconFile(const std::vector<Rgb>& palette) {
  const int sizes[] = {32, 16};
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : sizes) images.push_back(IconImage(size, palette));
  std::vector<std::uint8_t> out;
  Put16(&out, 0);
  Put16(&out, 1);  // an icon
  Put16(&out, static_cast<unsigned>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(sizes[i]));
    out.push_back(static_cast<std::uint8_t>(sizes[i]));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(&out, 1);   // planes
    Put16(&out, 32);  // bits per pixel
    Put32(&out, static_cast<std::uint32_t>(images[i].size()));
    Put32(&out, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
  return out;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: MakeSetupPictures DIRECTORY\n");
    return 2;
  }
  const std::string directory = argv[1];
  const std::vector<Rgb> palette = SplashPalette();
  if (!WriteFile(directory + "/splash.bmp", BitmapFile(DrawSplash(), palette)) ||
      !WriteFile(directory + "/mkinstall.ico", IconFile(palette))) {
    std::fprintf(stderr, "MakeSetupPictures: cannot write into %s\n", directory.c_str());
    return 1;
  }
  return 0;
}
