#include "tools/covers/coverfit.h"

// clang-format off
#include <cstdio>  // jpeglib.h wants FILE declared first
#include <jpeglib.h>
// clang-format on
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "tools/covers/coverfile.h"

namespace lumivox::tools {
namespace {

constexpr int kQuality = 90;

struct Image {
    int width = 0;
    int height = 0;
    int components = 3;  // 3 RGB or 1 grey
    std::vector<unsigned char> pixels;
};

// libjpeg reports errors by calling error_exit, which must not return: back to the setjmp.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

void jumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->back, 1);
}

struct JpegFacts {
    bool baseline = false;  // sequential Huffman, 8 bits, colours a player decodes
    int width = 0;
    int height = 0;
};

// Only the header, or also the pixels (into `image`); false when it is no JPEG libjpeg reads.
bool readJpeg(const std::string& data, JpegFacts& facts, Image* image) {
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jumpBack;
    if (setjmp(error.back)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    facts.width = static_cast<int>(info.image_width);
    facts.height = static_cast<int>(info.image_height);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    facts.baseline =
        !info.progressive_mode && !info.arith_code && info.data_precision == 8 && !cmyk;
    if (image) {
        info.out_color_space = cmyk ? JCS_CMYK : info.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
        jpeg_start_decompress(&info);
        const int in = info.output_components;
        image->width = static_cast<int>(info.output_width);
        image->height = static_cast<int>(info.output_height);
        image->components = in == 1 ? 1 : 3;
        image->pixels.resize(static_cast<std::size_t>(image->width) * image->height *
                             image->components);
        std::vector<unsigned char> row(static_cast<std::size_t>(image->width) * in);
        const bool inverted = info.saw_Adobe_marker;  // Adobe writes CMYK inverted
        while (info.output_scanline < info.output_height) {
            unsigned char* rows[] = {row.data()};
            const auto y = info.output_scanline;
            jpeg_read_scanlines(&info, rows, 1);
            unsigned char* out = image->pixels.data() +
                                 static_cast<std::size_t>(y) * image->width * image->components;
            if (in != 4) {
                std::memcpy(out, row.data(), row.size());
                continue;
            }
            for (int x = 0; x < image->width; ++x) {
                const unsigned char* p = row.data() + 4 * x;
                const int k = inverted ? p[3] : 255 - p[3];
                for (int c = 0; c < 3; ++c) {
                    const int v = inverted ? p[c] : 255 - p[c];
                    out[3 * x + c] = static_cast<unsigned char>(v * k / 255);
                }
            }
        }
        jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    return true;
}

// A PNG of any kind as RGB, transparency laid over white as players show it.
std::optional<Image> readPng(const std::string& data) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.data(), data.size())) {
        return std::nullopt;
    }
    png.format = PNG_FORMAT_RGB;
    Image image;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.resize(PNG_IMAGE_SIZE(png));
    const png_color white{255, 255, 255};
    if (!png_image_finish_read(&png, &white, image.pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return std::nullopt;
    }
    return image;
}

// One axis of the mean: output pixel i covers input [i * in / out, (i + 1) * in / out), its
// edge pixels in part.
std::vector<std::vector<std::pair<int, float>>> weights(int in, int out) {
    std::vector<std::vector<std::pair<int, float>>> all(static_cast<std::size_t>(out));
    const double scale = static_cast<double>(in) / out;
    for (int i = 0; i < out; ++i) {
        const double from = i * scale, to = (i + 1) * scale;
        for (int x = static_cast<int>(from); x < std::min(in, static_cast<int>(std::ceil(to)));
             ++x) {
            const double w = std::min<double>(to, x + 1) - std::max<double>(from, x);
            if (w > 0) {
                all[static_cast<std::size_t>(i)].emplace_back(x, static_cast<float>(w / scale));
            }
        }
    }
    return all;
}

Image scaled(const Image& in, int width, int height) {
    const int c = in.components;
    const auto wx = weights(in.width, width);
    const auto wy = weights(in.height, height);
    // Across first, into floats, then down.
    std::vector<float> across(static_cast<std::size_t>(width) * in.height * c);
    for (int y = 0; y < in.height; ++y) {
        const unsigned char* row = in.pixels.data() + static_cast<std::size_t>(y) * in.width * c;
        float* out = across.data() + static_cast<std::size_t>(y) * width * c;
        for (int x = 0; x < width; ++x) {
            for (const auto& [from, w] : wx[static_cast<std::size_t>(x)]) {
                for (int k = 0; k < c; ++k) {
                    out[x * c + k] += w * row[from * c + k];
                }
            }
        }
    }
    Image result{width, height, c, {}};
    result.pixels.resize(static_cast<std::size_t>(width) * height * c);
    for (int y = 0; y < height; ++y) {
        for (int i = 0; i < width * c; ++i) {
            float v = 0;
            for (const auto& [from, w] : wy[static_cast<std::size_t>(y)]) {
                v += w * across[static_cast<std::size_t>(from) * width * c +
                                static_cast<std::size_t>(i)];
            }
            result.pixels[static_cast<std::size_t>(y) * width * c + static_cast<std::size_t>(i)] =
                static_cast<unsigned char>(std::clamp(v + 0.5f, 0.0f, 255.0f));
        }
    }
    return result;
}

// Baseline JPEG (libjpeg writes sequential Huffman unless asked for more); empty on failure.
std::string writeJpeg(const Image& image) {
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jumpBack;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(error.back)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = image.components;
    info.in_color_space = image.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<unsigned char*>(image.pixels.data()) +
            static_cast<std::size_t>(info.next_scanline) * image.width * image.components;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

}  // namespace

int coverMaxFromEnvironment() {
    const char* value = std::getenv("LUMIVOX_COVER_MAX");
    const std::string v = value ? value : "";
    return v == "500" ? 500 : v == "300" ? 300 : 0;
}

CoverPicture fitCover(CoverPicture picture, int maxSide) {
    if (maxSide <= 0) {
        return picture;
    }
    const std::string kind = imageMimeType(picture.data);
    std::optional<Image> image;
    if (kind == "image/jpeg") {
        JpegFacts facts;
        if (!readJpeg(picture.data, facts, nullptr)) {
            return picture;
        }
        if (facts.baseline && std::max(facts.width, facts.height) <= maxSide) {
            picture.mimeType = kind;
            return picture;
        }
        image.emplace();
        if (!readJpeg(picture.data, facts, &*image)) {
            return picture;
        }
    } else if (kind == "image/png") {
        image = readPng(picture.data);
    }
    if (!image || image->width <= 0 || image->height <= 0) {
        return picture;
    }
    const int longest = std::max(image->width, image->height);
    if (longest > maxSide) {
        const auto side = [&](int n) {
            return std::max(
                1, static_cast<int>(std::lround(static_cast<double>(n) * maxSide / longest)));
        };
        *image = scaled(*image, side(image->width), side(image->height));
    }
    std::string jpeg = writeJpeg(*image);
    if (jpeg.empty()) {
        return picture;
    }
    picture.data = std::move(jpeg);
    picture.mimeType = "image/jpeg";
    return picture;
}

}  // namespace lumivox::tools
