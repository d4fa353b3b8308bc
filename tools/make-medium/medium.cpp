#include "tools/make-medium/medium.h"

#include <math.h>
#include <stdint.h>
#include <zlib.h>

namespace medium {

const PackageName kPackages[8] = {
    {"wall.ppk", "wiesenhain.bmp"},
    {"curstart.ppk", "wiesenhain-cur-appstart.ani"},
    {"curwait.ppk", "wiesenhain-cur-wait.ani"},
    {"curarrow.ppk", "wiesenhain-cur-arrow.cur"},
    {"empty.ppk", "wiesenhain.wav"},
    {"h256.ppk", "h-256.ani"},
    {"k256.ppk", "k-256.ani"},
    {"screen.ppk", "Wiesenhain.scr"},
};

namespace {

void Put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// A RIFF chunk: four-character id, little-endian size, data, pad byte.
std::string Chunk(const char* id, const std::string& data) {
    std::string out(id, 4);
    Put32(out, static_cast<uint32_t>(data.size()));
    out += data;
    if (data.size() % 2)
        out += '\0';
    return out;
}

// The 32x32 monochrome cursor pictures: 0 transparent, 1 black, 2 white.
int CursorPixel(int variant, int x, int y) {
    if (variant == 0) {
        // An arrow with its tip at the top left, white with a black rim.
        if (y > 20)
            return 0;
        int edge = y * 3 / 5;
        if (x > edge)
            return 0;
        return (x == 0 || x == edge || y == 20) ? 1 : 2;
    }
    // A flower: a ring of petals round a centre; the variant turns the
    // black petal one step further.
    double dx = x - 15.5, dy = y - 15.5;
    double r = sqrt(dx * dx + dy * dy);
    if (r < 4)
        return 1;
    if (r > 13)
        return 0;
    double angle = atan2(dy, dx) + 3.14159265358979 * 2;
    int petal = static_cast<int>(angle / (3.14159265358979 / 4)) % 8;
    if (r > 11 || r < 5)
        return 1;
    return petal == variant % 8 ? 1 : 2;
}

} // namespace

std::string StaticCursor(int variant) {
    std::string image;
    Put32(image, 40);
    Put32(image, 32);
    Put32(image, 64); // colour mask above the transparency mask
    Put16(image, 1);
    Put16(image, 1);
    Put32(image, 0);
    Put32(image, 256);
    for (int i = 0; i < 4; ++i)
        Put32(image, 0);
    Put32(image, 0x000000); // palette: black, white
    Put32(image, 0xFFFFFF);
    std::string colour, mask;
    for (int y = 31; y >= 0; --y) { // bottom-up rows
        for (int byte = 0; byte < 4; ++byte) {
            unsigned c = 0, m = 0;
            for (int bit = 0; bit < 8; ++bit) {
                int p = CursorPixel(variant, byte * 8 + bit, y);
                c |= (p == 2 ? 1u : 0u) << (7 - bit);
                m |= (p == 0 ? 1u : 0u) << (7 - bit);
            }
            colour += static_cast<char>(c);
            mask += static_cast<char>(m);
        }
    }
    image += colour + mask;

    std::string out;
    Put16(out, 0);
    Put16(out, 2); // cursor
    Put16(out, 1);
    out += static_cast<char>(32);
    out += static_cast<char>(32);
    out += static_cast<char>(2);
    out += '\0';
    Put16(out, variant == 0 ? 0 : 15); // hot spot
    Put16(out, variant == 0 ? 0 : 15);
    Put32(out, static_cast<uint32_t>(image.size()));
    Put32(out, 22);
    return out + image;
}

std::string AnimatedCursor(int frames, int variant) {
    // The header (anih): its own size, frames, steps, then width, height,
    // bit count and planes left 0 (the frames say), the default display rate
    // in 1/60 s, and the flags: the frames are icon resources (1).
    std::string header;
    Put32(header, 36);
    Put32(header, static_cast<uint32_t>(frames));
    Put32(header, static_cast<uint32_t>(frames));
    for (int i = 0; i < 4; ++i)
        Put32(header, 0);
    Put32(header, 8);
    Put32(header, 1);
    // One rate per step: every other frame lingers a little longer.
    std::string rates;
    for (int i = 0; i < frames; ++i)
        Put32(rates, i % 2 ? 12 : 8);
    std::string list = "fram";
    for (int i = 0; i < frames; ++i)
        list += Chunk("icon", StaticCursor(1 + (variant + i) % 8));
    // The chunks whose sizes are multiples of four come first: some readers
    // step over chunks in whole double words.
    std::string body = "ACON" + Chunk("anih", header) + Chunk("rate", rates) + Chunk("LIST", list);
    return Chunk("RIFF", body);
}

std::string ChimeWave() {
    const int rate = 11025, count = rate * 2 / 5;
    std::string samples;
    for (int i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / rate;
        double v =
            (sin(2 * 3.14159265358979 * 880 * t) + 0.5 * sin(2 * 3.14159265358979 * 1320 * t)) *
            exp(-6 * t) / 1.5;
        samples += static_cast<char>(static_cast<int>(128 + 110 * v));
    }
    std::string format;
    Put16(format, 1); // PCM
    Put16(format, 1);
    Put32(format, rate);
    Put32(format, rate);
    Put16(format, 1);
    Put16(format, 8);
    return Chunk("RIFF", "WAVE" + Chunk("fmt ", format) + Chunk("data", samples));
}

std::string GardenBitmap(int width, int height) {
    int stride = (width + 3) & ~3;
    std::string palette;
    for (int i = 0; i < 256; ++i) {
        int r, g, b;
        if (i < 64) { // sky, light at the horizon
            r = 90 + i * 2, g = 150 + i, b = 230;
        } else if (i < 128) { // grass
            r = 20 + (i - 64) / 2, g = 90 + (i - 64) * 2, b = 20 + (i - 64) / 3;
        } else if (i < 192) { // earth
            r = 90 + (i - 128), g = 60 + (i - 128) / 2, b = 30;
        } else { // blossoms: red, yellow, violet, white
            static const int colours[4][3] = {
                {220, 40, 50}, {240, 210, 40}, {150, 60, 200}, {250, 250, 250}};
            const int* c = colours[(i - 192) % 4];
            r = c[0], g = c[1], b = c[2];
        }
        palette += static_cast<char>(b);
        palette += static_cast<char>(g);
        palette += static_cast<char>(r);
        palette += '\0';
    }
    std::string pixels(static_cast<size_t>(stride) * height, '\0');
    auto at = [&](int x, int y) -> char& { // y from the top
        return pixels[static_cast<size_t>(height - 1 - y) * stride + x];
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double hill = height * 0.4 + 8 * sin(x * 0.05) + 5 * sin(x * 0.013 + 1);
            int v;
            if (y < hill)
                v = y * 63 / height;
            else if (y < height * 0.75)
                v = 64 + ((x * 7 + y * 13) % 11) + static_cast<int>((y - hill) * 40 / height);
            else
                v = 128 + ((x / 4 + y / 3) % 2) * 20 + (y - height * 3 / 4) * 30 / height;
            at(x, y) = static_cast<char>(v);
        }
    }
    uint32_t seed = 12345;
    for (int flower = 0; flower < 60; ++flower) {
        seed = seed * 1103515245u + 12345u;
        int cx = static_cast<int>((seed >> 8) % width);
        seed = seed * 1103515245u + 12345u;
        int cy = height / 2 + static_cast<int>((seed >> 8) % (height / 4));
        int colour = 192 + flower % 4;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (dx * dx + dy * dy <= 5 && cx + dx >= 0 && cx + dx < width && cy + dy < height)
                    at(cx + dx, cy + dy) = static_cast<char>(dx == 0 && dy == 0 ? 193 : colour);
    }
    std::string info;
    Put32(info, 40);
    Put32(info, static_cast<uint32_t>(width));
    Put32(info, static_cast<uint32_t>(height));
    Put16(info, 1);
    Put16(info, 8);
    Put32(info, 0);
    Put32(info, static_cast<uint32_t>(pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, 256);
    Put32(info, 0);
    std::string out = "BM";
    uint32_t offset = 14 + static_cast<uint32_t>(info.size() + palette.size());
    Put32(out, offset + static_cast<uint32_t>(pixels.size()));
    Put32(out, 0);
    Put32(out, offset);
    return out + info + palette + pixels;
}

std::vector<NamedFile> DemoFiles() {
    std::string saver = "MZ Wiesenhain screen saver placeholder\r\n";
    saver.resize(2048, '\0');
    return {
        {kPackages[0].file, GardenBitmap(256, 192)},
        {kPackages[1].file, AnimatedCursor(4, 0)},
        {kPackages[2].file, AnimatedCursor(8, 3)},
        {kPackages[3].file, StaticCursor(0)},
        {kPackages[4].file, ChimeWave()},
        {kPackages[5].file, AnimatedCursor(6, 1)},
        {kPackages[6].file, AnimatedCursor(6, 5)},
        {kPackages[7].file, saver},
    };
}

std::string Deflate(const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return "";
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

bool Inflate(const std::string& input, std::string* out) {
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK)
        return false;
    out->clear();
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream.avail_in = static_cast<uInt>(input.size());
    char block[16384];
    int status;
    do {
        stream.next_out = reinterpret_cast<Bytef*>(block);
        stream.avail_out = sizeof block;
        status = inflate(&stream, Z_NO_FLUSH);
        out->append(block, sizeof block - stream.avail_out);
    } while (status == Z_OK);
    inflateEnd(&stream);
    return status == Z_STREAM_END && stream.avail_in == 0;
}

} // namespace medium
