#include "ui/badge_pictures.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace quelvin {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = 123;
constexpr int kHeight = 40;
constexpr int kDividerX = 36;

struct Picture {
    const char* name;
    BadgeImage image;
    const char* file;
};
const Picture kPictures[] = {
    {"GameNotRunning", BadgeImage::GameNotRunning, "game_not_running.png"},
    {"HotkeysOn", BadgeImage::HotkeysOn, "hotkeys_on.png"},
    {"HotkeysOff", BadgeImage::HotkeysOff, "hotkeys_off.png"},
};

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

struct Chunk {
    std::string type;
    Bytes data;
    bool crcValid = false;
};

// The chunks of a PNG file, or nothing when the signature is wrong, a chunk runs past the
// end, or bytes follow IEND.
std::optional<std::vector<Chunk>> readChunks(PictureBytes png) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.data == nullptr || png.size < 8 || !std::equal(kSignature, kSignature + 8, png.data)) {
        return std::nullopt;
    }
    std::vector<Chunk> chunks;
    std::size_t at = 8;
    while (at < png.size) {
        if (png.size - at < 12) return std::nullopt;
        const std::uint32_t length = bigEndian32(png.data + at);
        if (png.size - at - 12 < length) return std::nullopt;
        const std::uint8_t* typeAndData = png.data + at + 4;
        Chunk chunk;
        chunk.type.assign(reinterpret_cast<const char*>(typeAndData), 4);
        chunk.data.assign(typeAndData + 4, typeAndData + 4 + length);
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), typeAndData, static_cast<uInt>(length + 4));
        chunk.crcValid = crc == bigEndian32(typeAndData + 4 + length);
        chunks.push_back(std::move(chunk));
        at += 12 + length;
        if (chunks.back().type == "IEND") return at == png.size ? std::optional(chunks) : std::nullopt;
    }
    return std::nullopt;
}

const Chunk* findChunk(const std::vector<Chunk>& chunks, const std::string& type) {
    for (const auto& c : chunks) {
        if (c.type == type) return &c;
    }
    return nullptr;
}

// Inflates a whole zlib stream, or nothing when it is damaged or longer than `limit`.
std::optional<Bytes> inflateAll(const Bytes& in, std::size_t limit) {
    Bytes out(limit + 1);
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return std::nullopt;
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&z, Z_FINISH);
    const std::size_t produced = z.total_out;
    const bool allInputUsed = z.avail_in == 0;
    inflateEnd(&z);
    if (status != Z_STREAM_END || !allInputUsed || produced > limit) return std::nullopt;
    out.resize(produced);
    return out;
}

struct Rgba {
    std::uint8_t r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

void PrintTo(const Rgba& p, std::ostream* os) {
    *os << "rgba(" << int{p.r} << ", " << int{p.g} << ", " << int{p.b} << ", " << int{p.a} << ")";
}

struct Image {
    std::vector<Rgba> pixels;
    Rgba at(int x, int y) const { return pixels[static_cast<std::size_t>(y * kWidth + x)]; }
};

int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Decodes a 123 x 40, 8-bit RGBA, non-interlaced PNG; anything else, or damaged image
// data, gives nothing.
std::optional<Image> decode(PictureBytes png) {
    const auto chunks = readChunks(png);
    if (!chunks) return std::nullopt;
    Bytes compressed;
    for (const auto& c : *chunks) {
        if (c.type == "IDAT") compressed.insert(compressed.end(), c.data.begin(), c.data.end());
    }
    constexpr std::size_t kStride = kWidth * 4;
    constexpr std::size_t kFiltered = kHeight * (kStride + 1);
    const auto filtered = inflateAll(compressed, kFiltered);
    if (!filtered || filtered->size() != kFiltered) return std::nullopt;

    Bytes raw(kHeight * kStride);
    for (std::size_t y = 0; y < kHeight; ++y) {
        const std::uint8_t filter = (*filtered)[y * (kStride + 1)];
        const std::uint8_t* in = filtered->data() + y * (kStride + 1) + 1;
        std::uint8_t* row = raw.data() + y * kStride;
        const std::uint8_t* above = y > 0 ? row - kStride : nullptr;
        for (std::size_t i = 0; i < kStride; ++i) {
            const int a = i >= 4 ? row[i - 4] : 0;
            const int b = above ? above[i] : 0;
            const int c = above && i >= 4 ? above[i - 4] : 0;
            int predictor = 0;
            switch (filter) {
                case 0:
                    predictor = 0;
                    break;
                case 1:
                    predictor = a;
                    break;
                case 2:
                    predictor = b;
                    break;
                case 3:
                    predictor = (a + b) / 2;
                    break;
                case 4:
                    predictor = paeth(a, b, c);
                    break;
                default:
                    return std::nullopt;
            }
            row[i] = static_cast<std::uint8_t>(in[i] + predictor);
        }
    }
    Image image;
    for (std::size_t i = 0; i < raw.size(); i += 4) {
        image.pixels.push_back({raw[i], raw[i + 1], raw[i + 2], raw[i + 3]});
    }
    return image;
}

Image decodedOrFail(const Picture& p) {
    auto image = decode(badgePicture(p.image));
    if (!image) {
        ADD_FAILURE() << p.name << " does not decode";
        return Image{std::vector<Rgba>(kWidth * kHeight, Rgba{0, 0, 0, 0})};
    }
    return *image;
}

TEST(BadgePictures, AreTheFilesFromAssetsByteForByte) {
    for (const auto& p : kPictures) {
        SCOPED_TRACE(p.name);
        std::ifstream file(std::string(QUELVIN_ASSETS_DIR) + "/" + p.file, std::ios::binary);
        ASSERT_TRUE(file) << p.file;
        const Bytes onDisk{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        const PictureBytes embedded = badgePicture(p.image);
        ASSERT_NE(embedded.data, nullptr);
        EXPECT_EQ(Bytes(embedded.data, embedded.data + embedded.size), onDisk);
    }
}

TEST(BadgePictures, AreRgbaPngsWithExactlyTheExpectedChunks) {
    const std::vector<std::string> kOrder = {"IHDR", "pHYs", "iCCP", "cHRM", "IDAT", "IEND"};
    for (const auto& p : kPictures) {
        SCOPED_TRACE(p.name);
        const auto chunks = readChunks(badgePicture(p.image));
        ASSERT_TRUE(chunks.has_value()) << "not a well-formed PNG file";

        std::vector<std::string> order;
        for (const auto& c : *chunks) {
            order.push_back(c.type);
            EXPECT_TRUE(c.crcValid) << c.type << " has a bad CRC";
        }
        EXPECT_EQ(order, kOrder);

        const Chunk* ihdr = findChunk(*chunks, "IHDR");
        ASSERT_NE(ihdr, nullptr);
        ASSERT_EQ(ihdr->data.size(), 13u);
        EXPECT_EQ(bigEndian32(&ihdr->data[0]), 123u);
        EXPECT_EQ(bigEndian32(&ihdr->data[4]), 40u);
        EXPECT_EQ(ihdr->data[8], 8) << "bit depth";
        EXPECT_EQ(ihdr->data[9], 6) << "colour type (RGBA)";
        EXPECT_EQ(ihdr->data[10], 0) << "compression method";
        EXPECT_EQ(ihdr->data[11], 0) << "filter method";
        EXPECT_EQ(ihdr->data[12], 0) << "interlace method";

        // A broken embedded profile makes strict decoders reject the whole picture.
        const Chunk* iccp = findChunk(*chunks, "iCCP");
        ASSERT_NE(iccp, nullptr);
        const auto nameEnd = std::find(iccp->data.begin(), iccp->data.end(), 0);
        ASSERT_NE(nameEnd, iccp->data.end());
        const auto nameLength = nameEnd - iccp->data.begin();
        EXPECT_TRUE(nameLength >= 1 && nameLength <= 79) << "profile name length " << nameLength;
        ASSERT_LT(nameEnd + 1, iccp->data.end());
        EXPECT_EQ(*(nameEnd + 1), 0) << "profile compression method";
        const auto profile = inflateAll(Bytes(nameEnd + 2, iccp->data.end()), 1 << 20);
        ASSERT_TRUE(profile.has_value()) << "the profile does not inflate";
        ASSERT_GE(profile->size(), 132u);
        EXPECT_EQ(bigEndian32(profile->data()), profile->size()) << "profile size field";
        EXPECT_EQ(std::string(profile->begin() + 16, profile->begin() + 20), "RGB ");
        EXPECT_EQ(std::string(profile->begin() + 36, profile->begin() + 40), "acsp");

        const Chunk* phys = findChunk(*chunks, "pHYs");
        ASSERT_NE(phys, nullptr);
        EXPECT_EQ(phys->data.size(), 9u);
        const Chunk* chrm = findChunk(*chunks, "cHRM");
        ASSERT_NE(chrm, nullptr);
        EXPECT_EQ(chrm->data.size(), 32u);

        EXPECT_TRUE(decode(badgePicture(p.image)).has_value()) << "the image data does not decode";
    }
}

TEST(BadgePictures, HaveASoftOutlineWithTransparentCorners) {
    for (const auto& p : kPictures) {
        SCOPED_TRACE(p.name);
        const Image image = decodedOrFail(p);
        // Alpha 0 lets clicks on the corners through to the game, and rounds the badge.
        EXPECT_EQ(image.at(0, 0).a, 0);
        EXPECT_EQ(image.at(kWidth - 1, 0).a, 0);
        EXPECT_EQ(image.at(0, kHeight - 1).a, 0);
        EXPECT_EQ(image.at(kWidth - 1, kHeight - 1).a, 0);

        for (int y = 0; y < kHeight; ++y) {
            EXPECT_LE(image.at(0, y).a, 8) << "left side, y " << y;
            EXPECT_LE(image.at(kWidth - 1, y).a, 8) << "right side, y " << y;
        }
        for (int x = 0; x < kWidth; ++x) {
            if (x == kDividerX) continue;
            EXPECT_LE(image.at(x, 0).a, 48) << "top row, x " << x;
            EXPECT_LE(image.at(x, kHeight - 1).a, 48) << "bottom row, x " << x;
        }
        // Opacity rises from each edge toward the panel over the first few pixels.
        struct Ramp {
            const char* edge;
            int x, y, dx, dy;
        };
        const Ramp kRamps[] = {
            {"left", 0, 20, 1, 0},
            {"right", kWidth - 1, 20, -1, 0},
            {"top", 60, 0, 0, 1},
            {"bottom", 60, kHeight - 1, 0, -1},
        };
        for (const auto& r : kRamps) {
            for (int step = 0; step < 3; ++step) {
                const int x = r.x + step * r.dx, y = r.y + step * r.dy;
                EXPECT_LT(image.at(x, y).a, image.at(x + r.dx, y + r.dy).a)
                    << r.edge << " edge, step " << step;
            }
        }
    }
}

TEST(BadgePictures, HaveAnOpaqueWhiteDividerOverTheFullHeight) {
    for (const auto& p : kPictures) {
        SCOPED_TRACE(p.name);
        const Image image = decodedOrFail(p);
        for (int y = 0; y < kHeight; ++y) {
            EXPECT_EQ(image.at(kDividerX, y), (Rgba{255, 255, 255, 255})) << "y " << y;
        }
    }
}

TEST(BadgePictures, HaveATranslucentPanel) {
    // Bands of the panel that no text or text shadow reaches in the current art.
    struct Band {
        const char* name;
        int x0, x1, y0, y1;
    };
    const Band kBands[] = {
        {"above the state text", 38, 118, 4, 9},
        {"below the state text", 38, 118, 30, 35},
        {"between the label and the divider", 33, 35, 4, 35},
        {"above the label", 4, 35, 4, 4},
    };
    for (const auto& p : kPictures) {
        SCOPED_TRACE(p.name);
        const Image image = decodedOrFail(p);
        for (const auto& band : kBands) {
            for (int y = band.y0; y <= band.y1; ++y) {
                for (int x = band.x0; x <= band.x1; ++x) {
                    const int alpha = image.at(x, y).a;
                    EXPECT_TRUE(alpha >= 200 && alpha <= 212)
                        << band.name << " (" << x << ", " << y << "): " << alpha;
                }
            }
        }
        // Text only ever adds to the panel's cover: nothing inside the outline is thinner.
        for (int y = 4; y < kHeight - 4; ++y) {
            for (int x = 4; x < kWidth - 4; ++x) {
                EXPECT_GE(image.at(x, y).a, 200) << "(" << x << ", " << y << ")";
            }
        }
    }
}

TEST(BadgePictures, DifferOnlyRightOfTheDivider) {
    const Image first = decodedOrFail(kPictures[0]);
    for (std::size_t i = 1; i < std::size(kPictures); ++i) {
        SCOPED_TRACE(kPictures[i].name);
        const Image other = decodedOrFail(kPictures[i]);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x <= kDividerX; ++x) {
                ASSERT_EQ(other.at(x, y), first.at(x, y)) << "(" << x << ", " << y << ")";
            }
        }
    }
    // ...and each says something different there.
    for (std::size_t i = 0; i < std::size(kPictures); ++i) {
        for (std::size_t j = i + 1; j < std::size(kPictures); ++j) {
            SCOPED_TRACE(std::string(kPictures[i].name) + " vs " + kPictures[j].name);
            const Image a = decodedOrFail(kPictures[i]);
            const Image b = decodedOrFail(kPictures[j]);
            int differing = 0;
            for (int y = 0; y < kHeight; ++y) {
                for (int x = kDividerX + 1; x < kWidth; ++x) {
                    differing += a.at(x, y) == b.at(x, y) ? 0 : 1;
                }
            }
            EXPECT_GT(differing, 0);
        }
    }
}

TEST(BadgePictures, AnUnknownStateHasNoPicture) {
    const PictureBytes none = badgePicture(static_cast<BadgeImage>(7));
    EXPECT_EQ(none.data, nullptr);
    EXPECT_EQ(none.size, 0u);
}

}  // namespace
}  // namespace quelvin
