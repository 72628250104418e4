#include "migrate/MailExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/TextHelpers.h"
#include "app/WindowsPaths.h"
#include "attachments/LinkRepair.h"
#include "attachments/References.h"
#include "migrate/MimeBuilder.h"
#include "migrate/OutputFolder.h"
#include "migrate/ReadBack.h"
#include "store/FolderTree.h"
#include "store/Mailbox.h"
#include "store/Toc.h"

namespace fs = std::filesystem;

namespace ledgerly {
namespace {

// ---------------------------------------------------------------------------
// Reading the source: regular files only.

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::optional<std::string> ReadRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<std::string> out;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        if (got == bytes.size()) out = std::move(bytes);
    }
    ::close(fd);
    return out;
}

std::uint32_t ArrivalOf(const MessageSummary& s) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s.Reserved8[static_cast<std::size_t>(i)]);
    return v;
}

// ---------------------------------------------------------------------------
// What is written where.

struct PlannedMailbox {
    std::string mbx;
    std::string label;               // UTF-8
    std::vector<std::string> place;  // output names from the destination, the mailbox's last
};

struct Plan {
    std::vector<std::vector<std::string>> folders;  // in the order they are made
    std::vector<PlannedMailbox> mailboxes;
};

std::string MailboxName(const std::string& mbx, const std::string& fallbackCp1252) {
    if (auto toc = TocImage::Load(MailboxPair::FromMailboxPath(mbx).toc()); toc && toc->HasHeader()) {
        const std::string name = TrimAtNull(FieldText(toc->ReadHeader().MailboxName));
        if (!name.empty()) return name;
    }
    return fallbackCp1252;
}

// A display name as a file name of the format: Thunderbird keeps ".sbd" and
// ".msf" for itself.
std::string OutputName(const std::string& cp1252, MailFormat format) {
    std::string name = SafeName(Cp1252ToUtf8(cp1252), "Mailbox");
    if (format == MailFormat::Mbox && (EndsWithNoCase(name, ".sbd") || EndsWithNoCase(name, ".msf"))) name += "_";
    return name;
}

void PlanFolder(const FolderTree& tree, const std::string& key, const std::vector<std::string>& place, const std::string& label,
                MailFormat format, Plan& plan) {
    SiblingNames names;
    if (place.empty()) names.Reserve(kExportReportName);
    for (const TreeNode* child : tree.ChildrenOf(key)) {
        std::vector<std::string> here = place;
        if (IsMailboxKey(child->key)) {
            const std::string display = MailboxName(child->key, child->text);
            here.push_back(names.Take(OutputName(display, format)));
            plan.mailboxes.push_back({child->key, label + Cp1252ToUtf8(display), here});
        } else {
            here.push_back(names.Take(OutputName(child->text, format)));
            plan.folders.push_back(here);
            PlanFolder(tree, child->key, here, label + Cp1252ToUtf8(child->text) + "/", format, plan);
        }
    }
}

std::string DataFolderAbove(const std::string& source, bool sourceIsFolder) {
    fs::path folder = sourceIsFolder ? fs::path(source) : fs::path(source).parent_path();
    std::error_code ec;
    folder = fs::absolute(folder, ec).lexically_normal();
    if (folder.filename().empty()) folder = folder.parent_path();
    while (EndsWithNoCase(folder.filename().string(), ".fol") && folder.has_parent_path() && folder.parent_path() != folder)
        folder = folder.parent_path();
    return WithTrailingSeparator(folder.string());
}

// Path components below the destination that a planned output occupies.
std::vector<std::vector<std::string>> Targets(const Plan& plan, MailFormat format) {
    std::vector<std::vector<std::string>> out;
    auto under = [format](const std::vector<std::string>& place) {
        std::vector<std::string> parts = place;
        if (format == MailFormat::Mbox)
            for (std::size_t i = 0; i + 1 < parts.size(); ++i) parts[i] += ".sbd";
        return parts;
    };
    for (const auto& folder : plan.folders) {
        out.push_back(under(folder));
        if (format == MailFormat::Mbox) {
            auto sbd = under(folder);
            sbd.back() += ".sbd";
            out.push_back(sbd);
        }
    }
    for (const PlannedMailbox& m : plan.mailboxes) out.push_back(under(m.place));
    return out;
}

// The first planned output that is there already (a file, a folder or a
// link), or that lies below a link; empty when none.
std::string FirstTaken(const std::string& destination, const std::vector<std::vector<std::string>>& targets) {
    for (const auto& parts : targets) {
        fs::path p(destination);
        for (const std::string& part : parts) {
            p /= part;
            std::error_code ec;
            const fs::file_status st = fs::symlink_status(p, ec);
            if (ec || !fs::exists(st)) break;
            if (fs::is_symlink(st) || &part == &parts.back()) return p.string();
        }
    }
    return {};
}

// ---------------------------------------------------------------------------
// Writing one mailbox in each format.

// A batch: enough messages to keep every core busy, few enough bytes to
// keep memory bounded (plus the largest message, which may exceed it alone).
constexpr std::size_t kBatchMessages = 256;
constexpr std::size_t kBatchBytes = 16 << 20;

struct Written {
    std::int32_t index = 0;
    std::vector<std::string> digests;
};

struct ReadBackChunk {
    std::int64_t from = 0, to = 0;   // mbox: byte range
    std::vector<std::string> files;  // one file per message: the files
};

// One message on its way: the text as stored in, what the layout writes out.
struct Job {
    std::int32_t index = 0;
    MessageSummary summary;
    std::string text;
    std::string bytes;
    std::int64_t seconds = 0;  // the arrival time
    std::vector<std::string> digests;  // of the files embedded, in the order they read back
    std::vector<std::string> missing;  // files named but not found
};

class MailboxWriter {
public:
    virtual ~MailboxWriter() = default;
    virtual Status Add(const Job& job) = 0;
    // Everything under its final name.
    virtual Status Finish() = 0;
    // Nothing of the mailbox is left: what was staged goes, and the folders made for it.
    virtual void Abandon() {}
    // What was written since the last call, to be read back.
    virtual ReadBackChunk TakeChunk() = 0;
    // The messages of a chunk parsed again, in order; called on another
    // thread while Add goes on.
    virtual Status ReadBack(const ReadBackChunk& chunk, const TakeReadBack& take) = 0;
};

// Reads back what a writer wrote, on a thread of its own, chunk by chunk as
// the writer hands them over.
class ReadBackThread {
public:
    explicit ReadBackThread(MailboxWriter& writer) : thread_([this, &writer] { Loop(writer); }) {}
    ~ReadBackThread() { Finish(); }
    void Add(ReadBackChunk chunk) {
        const std::lock_guard<std::mutex> lock(mutex_);
        chunks_.push_back(std::move(chunk));
        ready_.notify_one();
    }
    // Waits for the chunks handed over so far.
    void Finish() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
            ready_.notify_one();
        }
        if (thread_.joinable()) thread_.join();
    }
    std::vector<ReadBackMessage> messages;
    Status status;

private:
    void Loop(MailboxWriter& writer) {
        for (;;) {
            ReadBackChunk chunk;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [this] { return closed_ || !chunks_.empty(); });
                if (chunks_.empty()) return;
                chunk = std::move(chunks_.front());
                chunks_.pop_front();
            }
            if (!status) continue;
            try {
                status = writer.ReadBack(chunk, [this](ReadBackMessage&& m) { messages.push_back(std::move(m)); });
            } catch (const std::bad_alloc&) {
                status = Status::Fail("not enough memory to read it back");
            }
        }
    }
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<ReadBackChunk> chunks_;
    bool closed_ = false;
    std::thread thread_;
};

class MboxWriter : public MailboxWriter {
public:
    MboxWriter(OutputFolder folder, std::string name, PendingFile file)
        : folder_(std::move(folder)), name_(std::move(name)), file_(std::move(file)) {
        if (const int fd = file_.OpenForReading(); fd >= 0) readBack_ = std::make_unique<MboxReadBack>(fd);
    }
    Status Add(const Job& job) override {
        size_ += static_cast<std::int64_t>(job.bytes.size());
        return file_.Append(job.bytes);
    }
    ReadBackChunk TakeChunk() override {
        ReadBackChunk chunk{taken_, size_, {}};
        taken_ = size_;
        return chunk;
    }
    Status ReadBack(const ReadBackChunk& chunk, const TakeReadBack& take) override {
        if (!readBack_) return Status::Fail("Cannot read '" + file_.displayName() + "'.");
        return readBack_->Range(chunk.from, chunk.to, take);
    }
    Status Finish() override {
        if (Status s = file_.Finish(true); !s) return s;
        return file_.Publish(folder_, name_);
    }

private:
    OutputFolder folder_;
    std::string name_;
    PendingFile file_;
    std::unique_ptr<MboxReadBack> readBack_;
    std::int64_t size_ = 0, taken_ = 0;
};

// Maildir and EML: one file per message, all given their names once the
// mailbox is complete and on disk.
class FilePerMessageWriter : public MailboxWriter {
public:
    Status Finish() override {
        if (!pending_.empty())
            if (Status s = SyncFileSystem(pending_.front().folder); !s) return s;
        for (Pending& p : pending_) {
            if (Status s = p.file.Publish(p.folder, p.name); !s) return s;
            published_.push_back({p.folder, p.name});
        }
        pending_.clear();
        return {};
    }
    ReadBackChunk TakeChunk() override {
        ReadBackChunk chunk;
        for (std::size_t i = taken_; i < pending_.size(); ++i) chunk.files.push_back(pending_[i].file.displayName());
        taken_ = pending_.size();
        return chunk;
    }
    Status ReadBack(const ReadBackChunk& chunk, const TakeReadBack& take) override {
        for (const std::string& path : chunk.files) {
            auto message = ReadBackMessageFile(path);
            if (!message) return message.status();
            take(std::move(*message));
        }
        return {};
    }

    void Abandon() override {
        pending_.clear();
        for (const Published& p : published_) p.folder.RemoveFile(p.name);
        published_.clear();
        for (const char* sub : {"cur", "new", "tmp"}) box_.RemoveEmptyFolder(sub);
        parent_.RemoveEmptyFolder(name_);
    }

protected:
    FilePerMessageWriter(OutputFolder parent, std::string name, OutputFolder box)
        : parent_(std::move(parent)), name_(std::move(name)), box_(std::move(box)) {}
    OutputFolder parent_;
    std::string name_;
    OutputFolder box_;
    struct Pending {
        PendingFile file;
        OutputFolder folder;
        std::string name;
    };
    Status Stage(const OutputFolder& tempFolder, const std::string& tempName, const OutputFolder& folder, const std::string& name,
                 const std::string& bytes, std::int64_t seconds) {
        auto file = PendingFile::Create(tempFolder, tempName);
        if (!file) return file.status();
        if (Status s = file->Append(bytes); !s) return s;
        file->SetTime(seconds);
        if (Status s = file->Finish(false); !s) return s;
        pending_.push_back({std::move(*file), folder, name});
        return {};
    }
    struct Published {
        OutputFolder folder;
        std::string name;
    };
    std::vector<Pending> pending_;
    std::vector<Published> published_;
    std::size_t taken_ = 0;
};

class MaildirWriter : public FilePerMessageWriter {
public:
    MaildirWriter(OutputFolder parent, std::string name, OutputFolder box, OutputFolder cur, OutputFolder tmp, std::string host)
        : FilePerMessageWriter(std::move(parent), std::move(name), std::move(box)),
          cur_(std::move(cur)), tmp_(std::move(tmp)), host_(std::move(host)) {}
    Status Add(const Job& job) override {
        const std::string name = MaildirFileName(job.seconds, job.index, host_, FlagsOfStatus(job.summary.Status));
        return Stage(tmp_, name.substr(0, name.find(':')), cur_, name, job.bytes, job.seconds);
    }

private:
    OutputFolder cur_, tmp_;
    std::string host_;
};

class EmlWriter : public FilePerMessageWriter {
public:
    EmlWriter(OutputFolder parent, std::string name, OutputFolder box, int width)
        : FilePerMessageWriter(std::move(parent), std::move(name), box), folder_(std::move(box)), width_(width) {}
    Status Add(const Job& job) override {
        const std::string name = EmlFileName(job.index, width_, Cp1252ToUtf8(TrimAtNull(FieldText(job.summary.Subject))));
        return Stage(folder_, TemporaryName(name), folder_, name, job.bytes, job.seconds);
    }

private:
    OutputFolder folder_;
    int width_;
};

std::string HostName() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0 || !buf[0]) return "localhost";
    return buf;
}

// The folder that holds a mailbox's output, made on the way.
Result<OutputFolder> ParentFolder(const OutputFolder& destination, const std::vector<std::string>& place, MailFormat format) {
    OutputFolder folder = destination;
    for (std::size_t i = 0; i + 1 < place.size(); ++i) {
        auto next = folder.Folder(format == MailFormat::Mbox ? place[i] + ".sbd" : place[i]);
        if (!next) return next;
        folder = std::move(*next);
    }
    return folder;
}

Result<std::unique_ptr<MailboxWriter>> OpenWriter(const OutputFolder& destination, const std::vector<std::string>& place,
                                                  MailFormat format, std::int32_t messages) {
    using R = Result<std::unique_ptr<MailboxWriter>>;
    auto parent = ParentFolder(destination, place, format);
    if (!parent) return parent.status();
    const std::string& name = place.back();
    if (format == MailFormat::Mbox) {
        auto file = PendingFile::Create(*parent, TemporaryName(name));
        if (!file) return file.status();
        return R(std::make_unique<MboxWriter>(*parent, name, std::move(*file)));
    }
    auto box = parent->Folder(name);
    if (!box) return box.status();
    if (format == MailFormat::Eml) {
        const int width = std::max<int>(4, static_cast<int>(std::to_string(messages).size()));
        return R(std::make_unique<EmlWriter>(*parent, name, *box, width));
    }
    auto cur = box->Folder("cur");
    auto fresh = cur ? box->Folder("new") : cur;
    auto tmp = fresh ? box->Folder("tmp") : fresh;
    if (!tmp) return tmp.status();
    return R(std::make_unique<MaildirWriter>(*parent, name, *box, *cur, *tmp, HostName()));
}

// ---------------------------------------------------------------------------
// One mailbox: convert, write, read back.

struct Run {
    const MailExportOptions& options;
    Host& host;
    PathMapper mapper;
    std::string embeddedFolder;
    std::int64_t done = 0, total = 0;
    std::string what;
};

std::optional<std::string> LookUp(const Run& run, const FileReference& ref) {
    if (ref.kind == ReferenceKind::Embedded) {
        for (const std::string& spelled : MailSpellings(ref.written))
            if (auto bytes = ReadRegularFile(run.embeddedFolder + FileNameOfAnyPath(spelled))) return bytes;
        return std::nullopt;
    }
    const auto local = LocalFileOfReference(ref.written, run.mapper);
    return local ? ReadRegularFile(*local) : std::nullopt;
}

// A message rebuilt and framed as its layout writes it. Touches nothing but
// the job, the files it names and GMime: safe beside other jobs.
void Convert(const Run& run, Job& job) {
    const MailFormat format = run.options.format;
    StoredMessage stored = ReadStoredMessage(job.text);
    job.text = std::string();
    const auto arrival = ArrivalSeconds(stored.arrival);
    job.seconds = arrival ? *arrival : static_cast<std::int64_t>(ArrivalOf(job.summary));
    std::vector<std::string> extra;
    if (format == MailFormat::Mbox) extra = MboxStateHeaders(FlagsOfStatus(job.summary.Status));
    if (auto priority = PriorityHeader(job.summary.Priority)) extra.push_back(*priority);
    std::string fromLine;
    if (format == MailFormat::Mbox) fromLine = MboxFromLine(stored.headers, stored.arrival, ArrivalOf(job.summary));
    const FileLookup lookup = [&run](const FileReference& ref) { return LookUp(run, ref); };
    BuiltMessage built = BuildMessage(std::move(stored), extra, lookup, format == MailFormat::Eml ? LineEnds::CrLf : LineEnds::Lf);
    for (const FileReference& ref : built.missing) job.missing.push_back(ref.written);
    for (const EmbeddedFile& f : built.files) job.digests.push_back(f.sha256);
    if (format != MailFormat::Mbox) {
        job.bytes = std::move(built.bytes);
        return;
    }
    job.bytes.reserve(built.bytes.size() + fromLine.size() + 64);
    job.bytes = fromLine + "\n";
    AppendFromQuoted(job.bytes, built.bytes);
    job.bytes.push_back('\n');
}

// The jobs converted by this thread and up to three more, one job at a
// time each; a failure (out of memory) reaches the caller.
void ConvertAll(const Run& run, std::vector<Job>& jobs) {
    std::atomic<std::size_t> next{0};
    std::mutex failed;
    std::exception_ptr failure;
    auto work = [&] {
        try {
            for (std::size_t i = next++; i < jobs.size(); i = next++) Convert(run, jobs[i]);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(failed);
            failure = std::current_exception();
            next = jobs.size();
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> helpers;
    for (unsigned h = 1; h < std::min(cores, 4u) && h < jobs.size(); ++h) helpers.emplace_back(work);
    work();
    for (std::thread& t : helpers) t.join();
    if (failure) std::rethrow_exception(failure);
}

void Compare(MailboxExport& box, const std::vector<Written>& written, const std::vector<ReadBackMessage>& readBack) {
    box.readBack = static_cast<std::int32_t>(readBack.size());
    for (std::size_t i = 0; i < written.size() && i < readBack.size(); ++i) {
        const std::string at = "message " + std::to_string(written[i].index) + ": ";
        for (const std::string& p : readBack[i].problems) box.problems.push_back(at + p + " when read back");
        if (readBack[i].fileDigests == written[i].digests) box.attachmentsChecked += static_cast<std::int64_t>(written[i].digests.size());
        else box.problems.push_back(at + "its attachments do not read back as the bytes of their files");
    }
    if (readBack.size() != written.size())
        box.problems.push_back(std::to_string(readBack.size()) + " messages read back where " + std::to_string(written.size()) +
                               " were written");
}

std::string PathOfOutput(const std::vector<std::string>& place, MailFormat format) {
    std::vector<std::string> parts = place;
    if (format == MailFormat::Mbox)
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) parts[i] += ".sbd";
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
}

// False when the run was stopped.
bool ExportMailbox(Run& run, const OutputFolder& destination, const PlannedMailbox& planned, MailboxExport& box) {
    const MailboxPair pair = MailboxPair::FromMailboxPath(planned.mbx);
    if (!IsRegularFile(pair.mbx()) || !IsRegularFile(pair.toc())) {
        box.problems.push_back(std::string("not exported: ") + (IsRegularFile(pair.mbx()) ? "TOC-file not found." : "MBX-file not found."));
        return true;
    }
    auto toc = TocImage::Load(pair.toc());
    auto reader = toc ? MailboxReader::Open(pair.mbx()) : Result<MailboxReader>::Fail(toc.error());
    if (!reader) {
        box.problems.push_back("not exported: " + reader.error());
        return true;
    }
    box.messages = std::max<std::int32_t>(0, toc->AnnouncedCount());
    const std::int32_t usable = toc->UsableCount();
    auto writer = OpenWriter(destination, planned.place, run.options.format, box.messages);
    if (!writer) {
        box.problems.push_back("not exported: " + writer.error());
        return true;
    }
    MailboxWriter& w = **writer;
    ReadBackThread readBack(w);
    auto abandon = [&] {
        readBack.Finish();
        box.written = 0;
        w.Abandon();
    };
    std::vector<Written> written;
    std::vector<Job> batch;
    for (std::int32_t k = 1; k <= usable;) {
        // A batch of messages read in order, converted side by side, written in order.
        batch.clear();
        std::size_t bytes = 0;
        for (; k <= usable && batch.size() < kBatchMessages && bytes < kBatchBytes; ++k) {
            Job job;
            job.index = k;
            job.summary = toc->ReadSummary(k);
            const MessageSummary& s = job.summary;
            if (s.Offset < 0 || s.Length <= 0 || static_cast<std::int64_t>(s.Offset) + s.Length > reader->Size()) {
                box.unconverted.push_back({k, "its summary points outside the mailbox file"});
                run.host.Progress(run.what, ++run.done, run.total, "messages");
                continue;
            }
            job.text = reader->Fetch(s);
            bytes += job.text.size();
            batch.push_back(std::move(job));
        }
        ConvertAll(run, batch);
        for (const Job& job : batch) {
            if (run.host.StopRequested()) {
                box.problems.push_back("not written: the export was stopped");
                abandon();
                return false;
            }
            for (const std::string& file : job.missing) box.missing.push_back({job.index, file});
            if (Status st = w.Add(job); !st) {
                box.problems.push_back("not written: " + st.error());
                abandon();
                return true;
            }
            box.attachments += static_cast<std::int64_t>(job.digests.size());
            written.push_back({job.index, job.digests});
            ++box.written;
            run.host.Progress(run.what, ++run.done, run.total, "messages");
        }
        readBack.Add(w.TakeChunk());
    }
    for (std::int32_t k = usable + 1; k <= box.messages; ++k) box.unconverted.push_back({k, "its summary is missing from the TOC file"});
    readBack.Finish();
    if (Status st = w.Finish(); !st) {
        box.problems.push_back("not written: " + st.error());
        abandon();
        return true;
    }
    box.output = PathOfOutput(planned.place, run.options.format);
    if (!readBack.status) box.problems.push_back("read back: " + readBack.status.error());
    Compare(box, written, readBack.messages);
    return true;
}

Status MakeFolders(const OutputFolder& destination, const Plan& plan, MailFormat format) {
    for (const auto& place : plan.folders) {
        auto parent = ParentFolder(destination, place, format);
        if (!parent) return parent.status();
        if (format != MailFormat::Mbox) {
            if (auto f = parent->Folder(place.back()); !f) return f.status();
            continue;
        }
        // Thunderbird lists a folder's children only beside a mailbox file of its name.
        auto file = PendingFile::Create(*parent, TemporaryName(place.back()));
        if (!file) return file.status();
        if (Status s = file->Publish(*parent, place.back()); !s) return s;
        if (auto f = parent->Folder(place.back() + ".sbd"); !f) return f.status();
    }
    return {};
}

Status WriteReport(const OutputFolder& destination, const std::string& text) {
    auto file = PendingFile::Create(destination, TemporaryName(kExportReportName));
    if (!file) return file.status();
    if (Status s = file->Append(text); !s) return s;
    if (Status s = file->Finish(true); !s) return s;
    return file->Publish(destination, kExportReportName, true);
}

std::string Plural(std::int64_t n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

}  // namespace

bool MailboxExport::Complete() const {
    return problems.empty() && unconverted.empty() && missing.empty() && written == messages && readBack == written &&
           attachmentsChecked == attachments;
}

namespace {
template <typename Count>
std::int64_t Total(const std::vector<MailboxExport>& mailboxes, Count count) {
    std::int64_t n = 0;
    for (const MailboxExport& m : mailboxes) n += static_cast<std::int64_t>(count(m));
    return n;
}
}  // namespace

std::int64_t MailExportReport::Messages() const { return Total(mailboxes, [](const MailboxExport& m) { return m.messages; }); }
std::int64_t MailExportReport::Written() const { return Total(mailboxes, [](const MailboxExport& m) { return m.written; }); }
std::int64_t MailExportReport::Attachments() const { return Total(mailboxes, [](const MailboxExport& m) { return m.attachments; }); }
std::int64_t MailExportReport::MissingFiles() const { return Total(mailboxes, [](const MailboxExport& m) { return m.missing.size(); }); }
std::int64_t MailExportReport::Unconverted() const { return Total(mailboxes, [](const MailboxExport& m) { return m.unconverted.size(); }); }

bool MailExportReport::Complete() const {
    if (stopped) return false;
    for (const MailboxExport& m : mailboxes)
        if (!m.Complete()) return false;
    return true;
}

std::string MailExportReport::Summary() const {
    std::string out;
    for (const MailboxExport& m : mailboxes) {
        out += m.label + " -> " + (m.output.empty() ? "(nothing)" : m.output) + ": " + std::to_string(m.written) + " of " +
               Plural(m.messages, "message", "messages") + ", " + Plural(m.attachments, "attachment", "attachments");
        if (!m.missing.empty()) out += ", " + Plural(static_cast<std::int64_t>(m.missing.size()), "file missing", "files missing");
        if (!m.unconverted.empty()) out += ", " + std::to_string(m.unconverted.size()) + " not converted";
        if (!m.problems.empty()) out += ", " + Plural(static_cast<std::int64_t>(m.problems.size()), "problem", "problems");
        out += "\n";
    }
    out += "Total: " + Plural(static_cast<std::int64_t>(mailboxes.size()), "mailbox", "mailboxes") + ", " + std::to_string(Written()) +
           " of " + Plural(Messages(), "message", "messages") + " written, " +
           Plural(Attachments(), "attachment", "attachments") + " embedded, " + Plural(MissingFiles(), "file", "files") +
           " missing, " + Plural(Unconverted(), "message", "messages") + " not converted.\n";
    if (stopped) out += "Stopped before the end: what is listed as not written was left out.\n";
    else if (Complete()) out += "Every message was written and read back whole.\n";
    else out += "Not everything could be exported: the report lists what is missing and why.\n";
    return out;
}

std::string MailExportReport::Text() const {
    std::string out = "Ledgerly mail export (" + std::string(FormatName(format)) + ")\n";
    out += "Source:      " + source + "\nDestination: " + destination + "\n\n";
    for (const MailboxExport& m : mailboxes) {
        out += m.label + " -> " + (m.output.empty() ? "(nothing written)" : m.output) + "\n";
        out += "  source: " + m.source + "\n";
        out += "  messages: " + std::to_string(m.messages) + ", written " + std::to_string(m.written) + ", read back " +
               std::to_string(m.readBack) + "\n";
        out += "  attachments embedded: " + std::to_string(m.attachments) + ", read back byte for byte: " +
               std::to_string(m.attachmentsChecked) + "\n";
        out += "  files missing: " + std::to_string(m.missing.size()) + "\n";
        for (const MissingFile& f : m.missing) out += "    message " + std::to_string(f.message) + ": " + Cp1252ToUtf8(f.file) + "\n";
        out += "  messages not converted: " + std::to_string(m.unconverted.size()) + "\n";
        for (const UnconvertedMessage& u : m.unconverted) out += "    message " + std::to_string(u.message) + ": " + u.reason + "\n";
        for (const std::string& p : m.problems) out += "  problem: " + p + "\n";
        out += "\n";
    }
    return out + Summary();
}

Result<MailExportReport> ExportMail(const MailExportOptions& options, Host& host) {
    using R = Result<MailExportReport>;
    std::error_code ec;
    const bool sourceIsFolder = fs::is_directory(options.source, ec);
    Plan plan;
    if (sourceIsFolder) {
        FolderTree tree;
        BuildTree(tree, options.source);
        ApplyFolderNames(tree);
        if (tree.Empty()) return R::Fail("The folder '" + options.source + "' cannot be read.");
        PlanFolder(tree, tree.Nodes().front().key, {}, "", options.format, plan);
    } else {
        // A mailbox may be named by either file of its pair.
        const bool namedByToc = options.source.size() >= 4 && EndsWithNoCase(options.source, ".toc");
        const MailboxPair pair = MailboxPair::FromMailboxPath(namedByToc ? PartnerPath(options.source, "mbx") : options.source);
        if (!fs::exists(pair.mbx(), ec)) return R::Fail("The mailbox '" + options.source + "' does not exist: MBX-file not found.");
        if (!fs::exists(pair.toc(), ec)) return R::Fail("The mailbox '" + options.source + "' cannot be exported: TOC-file not found.");
        const std::string display = MailboxName(pair.mbx(), Utf8ToCp1252(GetFileName(pair.mbx(), true)));
        SiblingNames names;
        names.Reserve(kExportReportName);
        plan.mailboxes.push_back({pair.mbx(), Cp1252ToUtf8(display), {names.Take(OutputName(display, options.format))}});
    }
    if (fs::exists(options.destination, ec) && !fs::is_directory(options.destination, ec))
        return R::Fail("The destination '" + options.destination + "' is a file, not a folder.");
    if (const std::string taken = FirstTaken(options.destination, Targets(plan, options.format)); !taken.empty())
        return R::Fail("'" + taken + "' is there already: nothing was written. Export into a new or empty folder, or move it away first.");
    auto destination = OutputFolder::OpenDestination(options.destination);
    if (!destination) return destination.status();

    MailExportReport report;
    report.format = options.format;
    report.source = options.source;
    report.destination = destination->path();
    const std::string dataFolder = options.dataFolder.empty() ? DataFolderAbove(options.source, sourceIsFolder)
                                                              : WithTrailingSeparator(options.dataFolder);
    Run run{options, host, PathMapper(dataFolder), dataFolder + "Embedded" + kPathSeparator, 0, 0,
            "export " + std::string(FormatName(options.format))};
    for (const PlannedMailbox& m : plan.mailboxes)
        if (auto toc = TocImage::Load(MailboxPair::FromMailboxPath(m.mbx).toc())) run.total += toc->UsableCount();

    if (Status s = MakeFolders(*destination, plan, options.format); !s) return s;
    for (const PlannedMailbox& planned : plan.mailboxes) {
        MailboxExport box;
        box.source = planned.mbx;
        box.label = planned.label;
        if (report.stopped) {
            box.problems.push_back("not written: the export was stopped");
        } else {
            report.stopped = !ExportMailbox(run, *destination, planned, box);
        }
        report.mailboxes.push_back(std::move(box));
    }
    if (Status s = WriteReport(*destination, report.Text()); s) report.reportFile = destination->path() + kExportReportName;
    else report.reportError = s.error();
    return report;
}

}  // namespace ledgerly
