// Renders the program's pictures from their drawing files (res/art/*.art) into .ico and .bmp
// files for the resource compiler. Built and run on the build machine, so the pictures are
// made the same way on every build.
//
//   render_art ico <file.art> <out.ico>                  16 x 16 and 32 x 32, 32-bit with alpha
//   render_art bmp <file.art> <size> <RRGGBB> <out.bmp>  24-bit on that background colour
//
// A drawing file has one shape per line, on a 32 x 32 grid (scaled to the output size; a
// pixel is covered when its centre is); later shapes cover earlier ones. '#' starts a comment.
//   color <name> <RRGGBB>
//   rect  <x0> <y0> <x1> <y1> <color>        filled, right and bottom edges excluded
//   frame <x0> <y0> <x1> <y1> <color>        the rectangle's one-pixel border
//   disc  <cx> <cy> <r> <color>
//   line  <x0> <y0> <x1> <y1> <width> <color>
//   poly  <color> <x> <y> <x> <y> ...        filled polygon
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Pixel {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

struct Image {
    int size;
    std::vector<Pixel> pixels;
    explicit Image(int n) : size(n), pixels(static_cast<std::size_t>(n * n)) {}
    Pixel& at(int x, int y) { return pixels[static_cast<std::size_t>(y * size + x)]; }
};

[[noreturn]] void Fail(const std::string& why) {
    std::cerr << "render_art: " << why << "\n";
    std::exit(1);
}

bool InPolygon(const std::vector<double>& p, double x, double y) {
    bool inside = false;
    const std::size_t n = p.size() / 2;
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const double xi = p[2 * i], yi = p[2 * i + 1], xj = p[2 * j], yj = p[2 * j + 1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
}

double SegmentDistance(double x0, double y0, double x1, double y1, double x, double y) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / length2 : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy));
}

Image Render(const std::string& artFile, int size) {
    std::ifstream in(artFile);
    if (!in) Fail("cannot read " + artFile);
    Image image(size);
    const double unit = 32.0 / size;   // grid units per pixel
    std::map<std::string, Pixel> colors;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string shape;
        if (!(words >> shape)) continue;
        const std::string where = artFile + ":" + std::to_string(lineNo);
        auto color = [&](const std::string& name) {
            const auto it = colors.find(name);
            if (it == colors.end()) Fail(where + ": unknown colour " + name);
            return it->second;
        };
        std::vector<double> v;
        std::string name;
        if (shape == "color") {
            std::string hex;
            if (!(words >> name >> hex) || hex.size() != 6) Fail(where + ": color <name> <RRGGBB>");
            const unsigned long rgb = std::stoul(hex, nullptr, 16);
            colors[name] = Pixel{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255};
            continue;
        }
        if (shape == "poly") {
            if (!(words >> name)) Fail(where + ": poly <color> <x> <y> ...");
            for (double d; words >> d;) v.push_back(d);
            if (v.size() < 6 || v.size() % 2) Fail(where + ": a polygon needs three or more points");
        } else {
            const std::size_t count = shape == "disc" ? 3 : shape == "line" ? 5 : 4;
            for (std::size_t i = 0; i < count; ++i) {
                double d;
                if (!(words >> d)) Fail(where + ": too few numbers for " + shape);
                v.push_back(d);
            }
            if (!(words >> name)) Fail(where + ": colour missing");
        }
        const Pixel paint = color(name);
        for (int py = 0; py < size; ++py) {
            for (int px = 0; px < size; ++px) {
                const double x = (px + 0.5) * unit, y = (py + 0.5) * unit;
                bool hit = false;
                if (shape == "rect") {
                    hit = x >= v[0] && x < v[2] && y >= v[1] && y < v[3];
                } else if (shape == "frame") {
                    const bool outer = x >= v[0] && x < v[2] && y >= v[1] && y < v[3];
                    const bool inner = x >= v[0] + unit && x < v[2] - unit && y >= v[1] + unit && y < v[3] - unit;
                    hit = outer && !inner;
                } else if (shape == "disc") {
                    hit = std::hypot(x - v[0], y - v[1]) <= v[2];
                } else if (shape == "line") {
                    const double half = std::max(v[4], unit) / 2;
                    hit = SegmentDistance(v[0], v[1], v[2], v[3], x, y) <= half;
                } else if (shape == "poly") {
                    hit = InPolygon(v, x, y);
                } else {
                    Fail(where + ": unknown shape " + shape);
                }
                if (hit) image.at(px, py) = paint;
            }
        }
    }
    return image;
}

void Put16(std::string& out, unsigned v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// BITMAPINFOHEADER + bottom-up BGRA rows + the 1-bit AND mask, as an icon image holds them.
std::string IconImage(Image& image) {
    const int n = image.size;
    const int maskStride = ((n + 31) / 32) * 4;
    std::string out;
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(n));
    Put32(out, static_cast<uint32_t>(2 * n));
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(n * n * 4 + maskStride * n));
    for (int i = 0; i < 4; ++i) Put32(out, 0);
    for (int y = n - 1; y >= 0; --y) {
        for (int x = 0; x < n; ++x) {
            const Pixel p = image.at(x, y);
            out += char(p.b);
            out += char(p.g);
            out += char(p.r);
            out += char(p.a);
        }
    }
    for (int y = n - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(maskStride), '\0');
        for (int x = 0; x < n; ++x) {
            if (image.at(x, y).a == 0) row[static_cast<std::size_t>(x / 8)] |= char(0x80 >> (x % 8));
        }
        out += row;
    }
    return out;
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary);
    out << data;
    if (!out) Fail("cannot write " + path);
}

void WriteIcon(const std::string& artFile, const std::string& path) {
    std::vector<std::string> images;
    for (int size : {16, 32}) {
        Image image = Render(artFile, size);
        images.push_back(IconImage(image));
    }
    std::string out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    const int sizes[] = {16, 32};
    for (std::size_t i = 0; i < images.size(); ++i) {
        out += char(sizes[i]);
        out += char(sizes[i]);
        out += '\0';
        out += '\0';
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<uint32_t>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images) out += image;
    WriteFile(path, out);
}

void WriteBitmap(const std::string& artFile, int size, const std::string& background, const std::string& path) {
    if (size <= 0 || size > 1024 || background.size() != 6) Fail("bmp <file.art> <size> <RRGGBB> <out.bmp>");
    Image image = Render(artFile, size);
    const unsigned long bg = std::stoul(background, nullptr, 16);
    const int stride = (size * 3 + 3) & ~3;
    std::string out;
    out += "BM";
    Put32(out, static_cast<uint32_t>(14 + 40 + stride * size));
    Put32(out, 0);
    Put32(out, 14 + 40);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(size));
    Put32(out, static_cast<uint32_t>(size));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(stride * size));
    for (int i = 0; i < 4; ++i) Put32(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < size; ++x) {
            const Pixel p = image.at(x, y);
            const bool clear = p.a == 0;
            row += char(clear ? bg & 0xFF : p.b);
            row += char(clear ? (bg >> 8) & 0xFF : p.g);
            row += char(clear ? (bg >> 16) & 0xFF : p.r);
        }
        row.resize(static_cast<std::size_t>(stride), '\0');
        out += row;
    }
    WriteFile(path, out);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "ico") {
        WriteIcon(args[1], args[2]);
    } else if (args.size() == 5 && args[0] == "bmp") {
        WriteBitmap(args[1], std::atoi(args[2].c_str()), args[3], args[4]);
    } else {
        std::cerr << "usage: render_art ico <file.art> <out.ico> | bmp <file.art> <size> <RRGGBB> <out.bmp>\n";
        return 2;
    }
    return 0;
}
