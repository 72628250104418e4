#include "migrate/GMimeSupport.h"

#include <mutex>

namespace ledgerly::gmime {

void Start() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

Ptr<GMimeStream> MemoryStream(std::string_view bytes) {
    return Ptr<GMimeStream>(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
}

std::string_view Bytes(GMimeStream* memoryStream) {
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memoryStream));
    if (!array || array->len == 0) return {};
    return {reinterpret_cast<const char*>(array->data), array->len};
}

std::string Sha256(std::string_view bytes) {
    GChecksum* sum = g_checksum_new(G_CHECKSUM_SHA256);
    g_checksum_update(sum, reinterpret_cast<const guchar*>(bytes.data()), static_cast<gssize>(bytes.size()));
    std::string hex = g_checksum_get_string(sum);
    g_checksum_free(sum);
    return hex;
}

std::string DecodedSha256(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    Ptr<GMimeStream> sink(g_mime_stream_null_new());
    Ptr<GMimeStream> filtered(g_mime_stream_filter_new(sink.get()));
    Ptr<GMimeFilter> checksum(g_mime_filter_checksum_new(G_CHECKSUM_SHA256));
    g_mime_stream_filter_add(GMIME_STREAM_FILTER(filtered.get()), checksum.get());
    if (content) g_mime_data_wrapper_write_to_stream(content, filtered.get());
    g_mime_stream_flush(filtered.get());
    String hex(g_mime_filter_checksum_get_string(GMIME_FILTER_CHECKSUM(checksum.get())));
    return hex ? std::string(hex.get()) : std::string();
}

bool IsUtf8(std::string_view bytes) { return g_utf8_validate_len(bytes.data(), bytes.size(), nullptr); }

}  // namespace ledgerly::gmime
