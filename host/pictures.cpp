// SPDX-License-Identifier: MIT
// Picture files through gdk-pixbuf: reading PNG, BMP, GIF, ICO and JPEG within the limits the
// header check sets, and encoding pictures as PNG.

#include "host/pictures.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/cairo_owners.h"
#include "host/picture_budget.h"
#include "host/picture_header.h"
#include "host/render.h"

namespace stolvane {

namespace {

constexpr int32_t kPathFileAccess = 75;  // "Path/File access error"
constexpr int64_t kMaxPictureFileBytes = int64_t(256) << 20;

[[noreturn]] void InvalidPicture() { throw HostError(ErrorNumber::InvalidPicture, "Invalid picture"); }

// The header was checked before decoding; this second check holds the decoder to the same limits
// should it find a size of its own.
void OnSizePrepared(GdkPixbufLoader* loader, gint width, gint height, gpointer refused) {
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
        static_cast<int64_t>(width) * height > kMaxPicturePixels) {
        *static_cast<bool*>(refused) = true;
        gdk_pixbuf_loader_set_size(loader, 1, 1);  // keeps the decoder from allocating the image
    }
}

PictureRef FromPixbuf(GdkPixbuf* pb, const std::string& source) {
    int w = gdk_pixbuf_get_width(pb), h = gdk_pixbuf_get_height(pb);
    int channels = gdk_pixbuf_get_n_channels(pb), stride = gdk_pixbuf_get_rowstride(pb);
    bool alpha = gdk_pixbuf_get_has_alpha(pb);
    if (gdk_pixbuf_get_bits_per_sample(pb) != 8 || channels < (alpha ? 4 : 3)) InvalidPicture();
    const guchar* px = gdk_pixbuf_read_pixels(pb);
    std::vector<uint32_t> argb(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const guchar* row = px + static_cast<size_t>(y) * stride;
        for (int x = 0; x < w; ++x) {
            const guchar* p = row + static_cast<size_t>(x) * channels;
            uint32_t a = alpha ? p[3] : 0xFF;
            argb[static_cast<size_t>(y) * w + x] = (a << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
        }
    }
    return Picture::FromPixels(w, h, std::move(argb), source);
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

PictureRef DecodePicture(const std::string& bytes, const std::string& source) {
    // Only these formats are pictures here, whatever loaders gdk-pixbuf happens to have, and
    // only within the limits and whole.
    const PictureHeader header = ReadPictureHeader(bytes);
    PictureBudget::Charge(header.width, header.height);
    const char* format = header.format;
    // An icon decodes as its largest image alone (a PNG it holds is decoded as a PNG).
    const std::string icon = std::string_view(format) == "ico" ? IconImage(bytes, header, format) : std::string();
    const std::string& data = icon.empty() ? bytes : icon;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(format, nullptr);
    if (!loader) InvalidPicture();
    bool refused = false;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &refused);
    gboolean ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(data.data()), data.size(), nullptr);
    ok = gdk_pixbuf_loader_close(loader, nullptr) && ok;
    GdkPixbuf* pb = gdk_pixbuf_loader_get_pixbuf(loader);
    PictureRef picture;
    if (ok && !refused && pb) {
        try {
            picture = FromPixbuf(pb, source);
        } catch (...) {
            g_object_unref(loader);
            throw;
        }
    }
    g_object_unref(loader);
    if (!picture) InvalidPicture();
    return picture;
}

PictureRef LoadPictureFile(const std::string& path) {
    auto fail = [&](int err) -> HostError {
        if (err == ENOENT || err == ENOTDIR) return HostError(ErrorNumber::FileNotFound, "File not found");
        return HostError(kPathFileAccess, std::string("Path/File access error (") + std::strerror(err) + ")");
    };
    if (path.empty()) throw fail(ENOENT);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw fail(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxPictureFileBytes) {
        ::close(fd);
        InvalidPicture();
    }
    // Read to the end, not to the size stat gave: some files report 0 and still have bytes.
    std::string bytes;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            throw fail(err);
        }
        if (n == 0) break;
        bytes.append(buf, static_cast<size_t>(n));
        if (static_cast<int64_t>(bytes.size()) > kMaxPictureFileBytes) {
            ::close(fd);
            InvalidPicture();
        }
    }
    ::close(fd);
    return DecodePicture(bytes, path);
}

std::string EncodePng(const Picture& picture) {
    if (picture.IsEmpty() || picture.PixelWidth() <= 0 || picture.PixelHeight() <= 0) InvalidPicture();
    Frame image = RenderPicture(picture, 1.0);
    CairoSurface s(cairo_image_surface_create_for_data(image.data.data(), CAIRO_FORMAT_ARGB32, image.width,
                                                       image.height, image.stride));
    std::string out;
    cairo_status_t status = cairo_surface_write_to_png_stream(s.get(), AppendToString, &out);
    if (status != CAIRO_STATUS_SUCCESS) InvalidPicture();
    return out;
}

}  // namespace stolvane
