#include "mining/LineReader.h"

#include "app/FileHelpers.h"

namespace ledgerly {

LineReader::LineReader(const std::string& path, std::size_t blockSize) : blockSize_(blockSize < 16 ? 16 : blockSize) {
    file_ = OpenStdFile(path, "rb");
}

LineReader::~LineReader() {
    if (file_) std::fclose(file_);
}

bool LineReader::Fill() {
    if (!file_ || eof_) return false;
    // Drop what has been handed over already before the buffer grows.
    if (start_ > 0) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    const std::size_t old = buffer_.size();
    buffer_.resize(old + blockSize_);
    const std::size_t got = std::fread(buffer_.data() + old, 1, blockSize_, file_);
    buffer_.resize(old + got);
    read_ += static_cast<std::int64_t>(got);
    if (got < blockSize_) {
        eof_ = true;
        if (std::ferror(file_)) failed_ = true;
    }
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
            const char* brk = nullptr;
            for (const char* p = base + scanFrom; p != end; ++p) {
                if (*p == '\r' || *p == '\n') {
                    brk = p;
                    break;
                }
            }
            if (brk) {
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

}  // namespace ledgerly
