#include "mining/LineReader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ledgerly {
namespace {

// The first CR or LF in [p, end), or end; 16 bytes at a time where the
// processor has SSE2.
const char* FindLineBreak(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; end - p >= 16; p += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    while (p != end && *p != '\r' && *p != '\n') ++p;
    return p;
}

}  // namespace

LineReader::LineReader(const std::string& path, std::size_t blockSize) : blockSize_(blockSize < 16 ? 16 : blockSize) {
    auto file = FileHandle::OpenForReading(path);
    if (file) file_ = std::move(*file);
    else openError_ = file.error();
}

bool LineReader::Fill() {
    if (!file_.IsOpen() || eof_) return false;
    // Drop what has been handed over already before the buffer grows.
    if (start_ > 0) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    const std::size_t old = buffer_.size();
    buffer_.resize(old + blockSize_);
    std::size_t got = 0;
    while (got < blockSize_) {
        auto read = file_.Read(buffer_.data() + old + got, blockSize_ - got);
        if (!read) failed_ = true;
        if (!read || *read == 0) break;
        got += *read;
    }
    buffer_.resize(old + got);
    read_ += static_cast<std::int64_t>(got);
    if (got < blockSize_) eof_ = true;
    return got > 0;
}

bool LineReader::Next(std::string_view& line) {
    for (;;) {
        if (skipLf_) {
            if (start_ == buffer_.size() && !Fill()) return false;
            if (start_ < buffer_.size()) {
                if (buffer_[start_] == '\n') ++start_;
                skipLf_ = false;
            }
        }
        std::size_t scanFrom = start_;
        for (;;) {
            const char* base = buffer_.data();
            const char* end = base + buffer_.size();
            const char* brk = FindLineBreak(base + scanFrom, end);
            if (brk != end) {
                const std::size_t at = static_cast<std::size_t>(brk - base);
                line = std::string_view(base + start_, at - start_);
                start_ = at + 1;
                skipLf_ = *brk == '\r';
                return true;
            }
            const std::size_t scanned = buffer_.size() - start_;
            if (!Fill()) {
                if (buffer_.size() == start_) return false;
                line = std::string_view(buffer_.data() + start_, buffer_.size() - start_);
                start_ = buffer_.size();
                return true;
            }
            scanFrom = start_ + scanned;  // Fill() moved the unread bytes to the front
        }
    }
}

bool LineReader::NextLines(std::string_view& lines) {
    for (;;) {
        // The last break in what has not been looked at yet.
        const char* from = buffer_.data() + start_ + unbroken_;
        const char* p = buffer_.data() + buffer_.size();
        while (p != from && p[-1] != '\r' && p[-1] != '\n') --p;
        if (p != from) {
            lines = std::string_view(buffer_.data() + start_, static_cast<std::size_t>(p - (buffer_.data() + start_)));
            start_ += lines.size();
            unbroken_ = 0;
            return true;
        }
        unbroken_ = buffer_.size() - start_;
        if (!Fill()) {
            if (buffer_.size() == start_) return false;
            lines = std::string_view(buffer_.data() + start_, buffer_.size() - start_);
            start_ = buffer_.size();
            unbroken_ = 0;
            return true;
        }
    }
}

void LineCounter::Count(std::string_view bytes) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
#if defined(__SSE2__)
    // 16 bytes at a time, without looking for each line: a line ends at
    // every CR, and at every LF that does not follow a CR. Each lane of
    // `ends` counts down by one per line end; the lanes are summed before
    // one could overflow.
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    __m128i crBefore = _mm_set_epi8(afterCr_ ? -1 : 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);  // lane 15: the byte before
    while (end - p >= 16) {
        __m128i ends = _mm_setzero_si128();
        for (int k = 0; k < 255 && end - p >= 16; ++k, p += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i crs = _mm_cmpeq_epi8(block, cr), lfs = _mm_cmpeq_epi8(block, lf);
            const __m128i afterCr = _mm_or_si128(_mm_slli_si128(crs, 1), _mm_srli_si128(crBefore, 15));
            ends = _mm_add_epi8(ends, _mm_or_si128(crs, _mm_andnot_si128(afterCr, lfs)));
            crBefore = crs;
        }
        const __m128i sums = _mm_sad_epu8(_mm_sub_epi8(_mm_setzero_si128(), ends), _mm_setzero_si128());
        lines_ += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
    }
    if (p != bytes.data()) {
        afterCr_ = p[-1] == '\r';
        open_ = p[-1] != '\r' && p[-1] != '\n';
    }
#endif
    for (; p != end; ++p) {
        if (*p != '\r' && *p != '\n') {
            afterCr_ = false;
            open_ = true;
            continue;
        }
        if (!(*p == '\n' && afterCr_)) ++lines_;  // the LF of a CR LF ends no line of its own
        afterCr_ = *p == '\r';
        open_ = false;
    }
}

void LineCounter::Finish() {
    if (open_) ++lines_;
    open_ = false;
}

}  // namespace ledgerly
