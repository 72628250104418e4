#include "migrate/ReadBack.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "migrate/GMimeSupport.h"

namespace ledgerly {
namespace {

using gmime::Ptr;

// Warnings about what the export itself wrote. Those about received header
// values (addresses, encoded words, fields repeated or in conflict) are the
// sender's: the export keeps them as received.
const char* ProblemText(GMimeParserWarning code) {
    switch (code) {
        case GMIME_WARN_UNENCODED_8BIT_HEADER: return "a header field holds unencoded 8-bit bytes";
        case GMIME_WARN_INVALID_CONTENT_TYPE: return "a Content-Type is not valid";
        case GMIME_WARN_INVALID_PARAMETER: return "a header parameter is not valid";
        case GMIME_WARN_MALFORMED_MULTIPART: return "a multipart holds no parts";
        case GMIME_WARN_TRUNCATED_MESSAGE: return "the message is cut short";
        case GMIME_WARN_MALFORMED_MESSAGE: return "the message is malformed";
        case GMIME_WARN_PART_WITHOUT_CONTENT: return "a part ends before its content";
        case GMIME_CRIT_INVALID_HEADER_NAME: return "a header name is not valid";
        case GMIME_CRIT_CONFLICTING_PARAMETER: return "header parameters conflict";
        case GMIME_CRIT_MULTIPART_WITHOUT_BOUNDARY: return "a multipart has no boundary";
        case GMIME_CRIT_NESTING_OVERFLOW: return "parts are nested too deep";
        case GMIME_CRIT_PART_WITHOUT_HEADERS_OR_CONTENT: return "a part has neither headers nor content";
        default: return nullptr;
    }
}

void CollectWarning(gint64, GMimeParserWarning code, const gchar*, gpointer data) {
    if (const char* text = ProblemText(code)) static_cast<std::vector<std::string>*>(data)->push_back(text);
}

struct ParserOptionsFree {
    void operator()(GMimeParserOptions* o) const { g_mime_parser_options_free(o); }
};
using ParserOptions = std::unique_ptr<GMimeParserOptions, ParserOptionsFree>;

ParserOptions OptionsCollectingInto(std::vector<std::string>& problems) {
    ParserOptions options(g_mime_parser_options_new());
    g_mime_parser_options_set_warning_callback(options.get(), &CollectWarning, &problems);
    return options;
}

void CollectFiles(GMimeObject* object, std::vector<std::string>& digests) {
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i) CollectFiles(g_mime_multipart_get_part(multipart, i), digests);
    } else if (GMIME_IS_PART(object) && g_mime_object_get_header(object, "Content-Disposition")) {
        digests.push_back(gmime::DecodedSha256(GMIME_PART(object)));
    }
}

// A regular file of ours, opened without following a link.
Result<Ptr<GMimeStream>> OpenForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Result<Ptr<GMimeStream>>::Fail("Cannot read '" + path + "': " + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Result<Ptr<GMimeStream>>::Fail("'" + path + "' is not a regular file.");
    }
    return Ptr<GMimeStream>(g_mime_stream_fs_new(fd));
}

ReadBackMessage Describe(GMimeMessage* message, std::vector<std::string>& problems) {
    ReadBackMessage out;
    if (GMimeObject* body = g_mime_message_get_mime_part(message)) CollectFiles(body, out.fileDigests);
    out.problems = std::move(problems);
    problems.clear();
    return out;
}

}  // namespace

struct MboxReadBack::Stream {
    int fd = -1;
    ~Stream() {
        if (fd >= 0) ::close(fd);
    }
};

MboxReadBack::MboxReadBack(int fd) : stream_(std::make_unique<Stream>()) {
    gmime::Start();
    stream_->fd = fd;
}

MboxReadBack::~MboxReadBack() = default;

Status MboxReadBack::Range(std::int64_t from, std::int64_t to, const TakeReadBack& take) {
    if (to <= from) return {};
    // Mapped, not read: the parser then scans the file's pages where they are.
    const int fd = ::dup(stream_->fd);
    if (fd < 0) return Status::Fail(std::string("cannot read it back: ") + std::strerror(errno));
    Ptr<GMimeStream> part(g_mime_stream_mmap_new_with_bounds(fd, PROT_READ, MAP_SHARED, from, to));
    if (!part) {
        ::close(fd);
        return Status::Fail(std::string("cannot read it back: ") + std::strerror(errno));
    }
    std::vector<std::string> problems;
    ParserOptions options = OptionsCollectingInto(problems);
    Ptr<GMimeParser> parser(g_mime_parser_new_with_stream(part.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MBOX);
    while (!g_mime_parser_eos(parser.get())) {
        Ptr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options.get()));
        if (!message) {
            // Bytes that start no message: the mbox is damaged from here on.
            if (g_mime_parser_eos(parser.get())) break;
            return Status::Fail("bytes " + std::to_string(from) + " to " + std::to_string(to) + " hold something that is not a message");
        }
        take(Describe(message.get(), problems));
    }
    return {};
}

Status ReadBackMbox(const std::string& path, const TakeReadBack& take) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        return Status::Fail("Cannot read '" + path + "' as a file.");
    }
    MboxReadBack reader(fd);
    return reader.Range(0, st.st_size, take);
}

static Result<ReadBackMessage> ReadOne(GMimeStream* stream, const std::string& what) {
    std::vector<std::string> problems;
    ParserOptions options = OptionsCollectingInto(problems);
    Ptr<GMimeParser> parser(g_mime_parser_new_with_stream(stream));
    Ptr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options.get()));
    if (!message) return Result<ReadBackMessage>::Fail(what + " does not read back as a message.");
    return Describe(message.get(), problems);
}

Result<ReadBackMessage> ReadBackMessageFile(const std::string& path) {
    gmime::Start();
    auto stream = OpenForReading(path);
    if (!stream) return stream.status();
    return ReadOne(stream->get(), "'" + path + "'");
}

Result<ReadBackMessage> ReadBackMessageBytes(std::string_view bytes) {
    gmime::Start();
    return ReadOne(gmime::MemoryStream(bytes).get(), "The message");
}

}  // namespace ledgerly
