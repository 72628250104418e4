#include "store/PairTransaction.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <filesystem>
#include <sstream>
#include <utility>
#include <vector>

#include "app/AtomicFile.h"
#include "app/FileHelpers.h"

namespace ledgerly {
namespace {

namespace fs = std::filesystem;

std::string Staged(const std::string& file) { return file + std::string(kNewSuffix); }
std::string Old(const std::string& file) { return file + std::string(kOldSuffix); }
std::string JournalOf(const MailboxPair& pair) { return pair.mbx() + std::string(kJournalSuffix); }

// Anything under the name, a dangling link included.
bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(FsPath(path), ec));
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// One file's part of a commit, as the journal records it.
struct Step {
    bool isToc = false;
    bool remove = false;  // the file goes; else it is replaced by its staged file
    bool had = true;      // replace: the file existed before the run
    FileDigest digest;    // replace: the staged file's size and checksum
};

std::string TargetOf(const MailboxPair& pair, const Step& step) { return step.isToc ? pair.toc() : pair.mbx(); }

// The journal: a header line, one line per step, and "end". A journal
// without its last line was cut short before the first rename.
std::string JournalText(const std::vector<Step>& steps) {
    std::string text = "ledgerly-journal 1\n";
    for (const Step& s : steps) {
        const char* file = s.isToc ? "toc" : "mbx";
        if (s.remove) {
            text += std::string("remove ") + file + "\n";
            continue;
        }
        char line[96];
        std::snprintf(line, sizeof line, "replace %s %d %" PRId64 " %016" PRIx64 "\n", file, s.had ? 1 : 0, s.digest.size, s.digest.hash);
        text += line;
    }
    return text + "end\n";
}

std::optional<std::vector<Step>> ReadJournal(const std::string& path) {
    const auto text = ReadWholeFile(path);
    if (!text) return std::nullopt;
    std::istringstream in(*text);
    std::string line;
    if (!std::getline(in, line) || line != "ledgerly-journal 1") return std::nullopt;
    std::vector<Step> steps;
    while (std::getline(in, line)) {
        if (line == "end") return steps;
        std::istringstream words(line);
        std::string verb, file;
        words >> verb >> file;
        Step s;
        if (file != "mbx" && file != "toc") return std::nullopt;
        s.isToc = file == "toc";
        if (verb == "remove") {
            s.remove = true;
        } else if (verb == "replace") {
            int had = 0;
            std::string hash;
            if (!(words >> had >> s.digest.size >> hash) || hash.size() != 16) return std::nullopt;
            s.had = had != 0;
            if (hash.find_first_not_of("0123456789abcdef") != std::string::npos) return std::nullopt;
            s.digest.hash = std::strtoull(hash.c_str(), nullptr, 16);
        } else {
            return std::nullopt;
        }
        steps.push_back(s);
    }
    return std::nullopt;
}

// Puts one step in place. Resuming a commit cut short (its journal proved
// the files complete), a step already in place is left as it is; in a commit
// a staged file must be there.
Status ApplyStep(const MailboxPair& pair, const Step& s, bool resuming) {
    const std::string target = TargetOf(pair, s);
    if (s.remove) return Exists(target) ? RenameFile(target, Old(target), target, "delete") : Status();
    if (!Exists(Staged(target))) return resuming ? Status() : Status::Fail(CannotText("replace", target, ENOENT));
    if (Exists(target) && !Exists(Old(target)))
        if (Status moved = RenameFile(target, Old(target), target); !moved) return moved;
    return RenameFile(Staged(target), target);
}

// Puts the old files back, last step first, and removes the staged ones.
Status UndoSteps(const MailboxPair& pair, const std::vector<Step>& steps) {
    Status first;
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        const std::string target = TargetOf(pair, *it);
        Status s;
        if (Exists(Old(target))) s = RenameFile(Old(target), target);
        else if (!it->remove && !it->had && !Exists(Staged(target)) && Exists(target)) s = RemoveFile(target);  // the run made it
        if (s && !it->remove) s = RemoveFile(Staged(target));
        if (!s && first.ok()) first = s;
    }
    SyncFolderOf(pair.mbx());
    return first;
}

// After the last rename: the replaced files and the journal go.
void FinishSteps(const MailboxPair& pair, const std::vector<Step>& steps) {
    SyncFolderOf(pair.mbx());
    for (const Step& s : steps) (void)RemoveFile(Old(TargetOf(pair, s)));
    (void)RemoveFile(JournalOf(pair));
    SyncFolderOf(pair.mbx());
}

// Whether every file the journal names is complete: its staged file, or the
// file in place when the staged one was renamed already.
bool ProvedComplete(const MailboxPair& pair, const std::vector<Step>& steps) {
    for (const Step& s : steps) {
        if (s.remove) continue;
        const std::string target = TargetOf(pair, s);
        const std::string which = Exists(Staged(target)) ? Staged(target) : target;
        const auto digest = DigestOfFile(which);
        if (!digest || !(*digest == s.digest)) return false;
    }
    return true;
}

std::string RecoverJournalled(const MailboxPair& pair, const std::string& journal) {
    const auto steps = ReadJournal(journal);
    if (!steps) {
        // Cut short while it was written: no file had been renamed yet.
        (void)RemoveFile(journal);
        return {};
    }
    if (ProvedComplete(pair, *steps)) {
        Status s;
        for (const Step& step : *steps)
            if (s) s = ApplyStep(pair, step, true);
        if (s) {
            FinishSteps(pair, *steps);
            return "Completed an interrupted change of " + Quoted(pair.mbx()) + ": the new mailbox and TOC files are in place.";
        }
    }
    if (Status undone = UndoSteps(pair, *steps); !undone)
        return JoinSentences("An interrupted change of " + Quoted(pair.mbx()) + " could not be finished or undone: " + undone.error(),
                             "Its numbered backups keep the old files.");
    (void)RemoveFile(journal);
    SyncFolderOf(journal);
    return "Undid an interrupted change of " + Quoted(pair.mbx()) + ": the pair is as it was before it.";
}

// Without a journal no staged file is ever put in place: staged files go,
// and a replaced file whose place is empty is put back.
bool RecoverUnjournalled(const MailboxPair& pair) {
    bool any = false;
    for (const std::string& target : {pair.mbx(), pair.toc()}) {
        if (Exists(Staged(target))) {
            (void)RemoveFile(Staged(target));
            any = true;
        }
        if (Exists(Old(target))) {
            if (!Exists(target)) (void)RenameFile(Old(target), target);
            else (void)RemoveFile(Old(target));
            any = true;
        }
    }
    if (any) SyncFolderOf(pair.mbx());
    return any;
}

bool IsHexTail(std::string_view text) {
    return text.size() == 8 && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The names other writes killed part-way leave beside a file of the pair,
// none of them ever complete: a whole-file write's '<file>.ledgerly-<8 hex
// digits>', an older delimiter repair's '<file>.ledgerly-new.ledgerly-<8 hex
// digits>' and a backup's '<file>.<number>.ledgerly-partial'.
bool IsLeftoverOf(std::string_view name, std::string_view file) {
    if (name.size() <= file.size() || name.substr(0, file.size()) != file) return false;
    std::string_view rest = name.substr(file.size());
    const std::string temp = std::string(kTempInfix);
    if (rest.starts_with(kNewSuffix)) rest.remove_prefix(kNewSuffix.size());
    if (rest.starts_with(temp) && IsHexTail(rest.substr(temp.size()))) return true;
    constexpr std::string_view partial = ".ledgerly-partial";
    return rest.size() > partial.size() + 1 && rest.front() == '.' && rest.ends_with(partial) &&
           IsDigits(rest.substr(1, rest.size() - 1 - partial.size()));
}

int RemoveLeftovers(const MailboxPair& pair) {
    const fs::path mbx = FsPath(pair.mbx()), toc = FsPath(pair.toc());
    const std::string folder = mbx.parent_path().empty() ? "." : PathText(mbx.parent_path());
    const std::string mbxName = PathText(mbx.filename()), tocName = PathText(toc.filename());
    int removed = 0;
    for (const FolderEntry& entry : ListFolder(folder)) {
        if (entry.isFolder || !(IsLeftoverOf(entry.name, mbxName) || IsLeftoverOf(entry.name, tocName))) continue;
        // Only plain files: what these writes make. A link or anything else
        // under such a name was put there by someone else.
        const fs::path path = FsPath(folder) / FsPath(entry.name);
        std::error_code ec;
        if (!fs::is_regular_file(fs::symlink_status(path, ec))) continue;
        if (RemoveFile(PathText(path))) ++removed;
    }
    return removed;
}

std::string RefusalText(const MailboxPair& pair, const PairProblem& problem) {
    switch (problem.kind) {
        case PairProblemKind::MissingMailbox:
        case PairProblemKind::MissingToc:
        case PairProblemKind::UnreadableFile: return problem.text;
        default: break;
    }
    return JoinSentences("The mailbox " + Quoted(pair.mbx()) + " and its TOC file do not agree: " + problem.text,
                         "Let Eudora rebuild the TOC file (move it aside while Eudora is closed: Eudora builds a new one when it "
                         "opens the mailbox), then run again.");
}

PairReport MissingFileReport(const MailboxPair& pair, bool mailbox, bool toc) {
    PairReport r;
    if (!mailbox) r.problems.push_back({PairProblemKind::MissingMailbox, 0, "The mailbox file " + Quoted(pair.mbx()) + " does not exist."});
    if (!toc) r.problems.push_back({PairProblemKind::MissingToc, 0, "The TOC file " + Quoted(pair.toc()) + " does not exist."});
    return r;
}

bool ChangesMailbox(PairChange change) { return change == PairChange::MailboxAndToc || change == PairChange::MailboxDeletingToc; }
bool WritesToc(PairChange change) { return change == PairChange::MailboxAndToc || change == PairChange::TocOnly; }

}  // namespace

std::string RecoverInterruptedRewrite(const MailboxPair& pair) {
    std::string said;
    const std::string journal = JournalOf(pair);
    if (Exists(journal)) said = RecoverJournalled(pair, journal);
    if (!Exists(journal) && RecoverUnjournalled(pair))
        said = JoinSentences(said, "Removed the unfinished files of an interrupted change of " + Quoted(pair.mbx()) + "; the pair is as it was.");
    if (const int removed = RemoveLeftovers(pair); removed > 0)
        said = JoinSentences(said, "Removed " + std::to_string(removed) + " unfinished temporary file" + (removed == 1 ? "" : "s") +
                                       " of an interrupted run beside " + Quoted(pair.mbx()) + ".");
    return said;
}

Result<PairTransaction> PairTransaction::Begin(const MailboxPair& pair, const PairTransactionOptions& options, AppState* remember) {
    using R = Result<PairTransaction>;
    PairTransaction t;
    t.pair_ = pair;
    t.options_ = options;
    auto lock = RewriteLock::Acquire(pair.mbx());
    if (!lock) return lock.status();
    t.lock_.emplace(std::move(*lock));
    if (!options.lookOnly) t.recovered_ = RecoverInterruptedRewrite(pair);
    auto fail = [&t](const std::string& why) {
        t.done_ = true;
        return R::Fail(JoinSentences(t.recovered_, JoinSentences(why, "Nothing was changed.")));
    };
    if (Exists(JournalOf(pair))) {
        if (options.lookOnly) return fail("An interrupted run waits to be finished beside " + Quoted(pair.mbx()) + ": run the command without --dry-run first.");
        return fail({});  // the recovery said why it could not finish
    }

    const PairChange change = options.change;
    const bool haveMbx = Exists(pair.mbx()), haveToc = Exists(pair.toc());
    if (haveToc) {
        auto toc = TocImage::Load(pair.toc());
        if (!toc) return fail(toc.error());
        t.toc_ = std::move(*toc);
        t.tocAsRead_ = t.toc_.bytes();
        t.tocExisted_ = true;
    }
    if (haveMbx && change != PairChange::BackupsOnly) {
        auto reader = MailboxReader::Open(pair.mbx());
        if (!reader) return fail(reader.error());
        t.mailbox_.emplace(std::move(*reader));
    } else if (haveMbx && !IsRegularFile(pair.mbx())) {
        return fail(FileHandle::OpenForReading(pair.mbx()).error());
    }

    if (change != PairChange::BackupsOnly) {
        t.check_ = haveMbx && haveToc ? CheckPairImage(t.toc_, t.mailbox_->Size(), &*t.mailbox_) : MissingFileReport(pair, haveMbx, haveToc);
        // The TOC a delimiter repair deletes need not agree with anything.
        const bool mustAgree = change != PairChange::MailboxDeletingToc && !options.allowInconsistentPair;
        if (!haveMbx) return fail(t.check_.FirstError()->text);
        if (const PairProblem* problem = t.check_.RefusesChange(); problem && mustAgree) return fail(RefusalText(pair, *problem));
    }

    if (!options.lookOnly && (options.backups || ChangesMailbox(change) || change == PairChange::BackupsOnly)) {
        auto backups = BackUpPair(pair, change != PairChange::TocOnly);
        if (!backups) return fail(backups.error());
        t.backups_ = *backups;
        if (remember && !t.backups_.toc.empty()) remember->TocBackupPath = t.backups_.toc;
        if (remember && !t.backups_.mbx.empty()) remember->MbxBackupPath = t.backups_.mbx;
    }
    return t;
}

PairTransaction::PairTransaction(PairTransaction&& other) noexcept
    : lock_(std::move(other.lock_)), pair_(std::move(other.pair_)), options_(other.options_),
      recovered_(std::move(other.recovered_)), check_(std::move(other.check_)), backups_(std::move(other.backups_)),
      toc_(std::move(other.toc_)), tocAsRead_(std::move(other.tocAsRead_)), tocExisted_(other.tocExisted_),
      mailbox_(std::move(other.mailbox_)), newMailbox_(std::move(other.newMailbox_)), pending_(std::move(other.pending_)), newHash_(other.newHash_),
      newSize_(other.newSize_), done_(std::exchange(other.done_, true)) {}

PairTransaction::~PairTransaction() { Abandon(); }

std::string PairTransaction::NothingChangedText() const {
    const PairBackup& b = backups_;
    if (!b.toc.empty() && !b.mbx.empty()) return "Nothing was changed; the backups " + Quoted(b.toc) + " and " + Quoted(b.mbx) + " were made.";
    if (!b.toc.empty() || !b.mbx.empty()) return "Nothing was changed; the backup " + Quoted(b.toc.empty() ? b.mbx : b.toc) + " was made.";
    return "Nothing was changed.";
}

void PairTransaction::Abandon() {
    if (done_) return;
    done_ = true;
    (void)newMailbox_.Close();
    if (ChangesMailbox(options_.change)) (void)RemoveFile(Staged(pair_.mbx()));
    if (WritesToc(options_.change)) (void)RemoveFile(Staged(pair_.toc()));
}

Status PairTransaction::AbandonWith(std::string_view why) {
    Abandon();
    return Status::Fail(JoinSentences(std::string(why), NothingChangedText()));
}

Status PairTransaction::StageMailbox() {
    const std::string staged = Staged(pair_.mbx());
    (void)RemoveFile(staged);
    auto file = FileHandle::CreateNew(staged, OwnershipOf(pair_.mbx()), pair_.mbx());
    if (!file) return file.status();
    newMailbox_ = std::move(*file);
    return {};
}

Status PairTransaction::AppendToMailbox(std::string_view bytes) {
    if (done_) return Status::Fail("The change of " + Quoted(pair_.mbx()) + " is finished already.");
    if (options_.lookOnly) return AbandonWith("A dry run writes nothing.");
    if (!ChangesMailbox(options_.change)) return AbandonWith("This change may not write the mailbox file " + Quoted(pair_.mbx()) + ".");
    if (!newMailbox_.IsOpen())
        if (Status s = StageMailbox(); !s) return AbandonWith(s.error());
    newHash_.Add(bytes);
    newSize_ += static_cast<std::int64_t>(bytes.size());
    // Messages come one by one, most of a few KB: gathered into 1 MB pieces,
    // a run makes a few hundred writes instead of one or two per message.
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    if (pending_.size() + bytes.size() < kPiece) {
        pending_.append(bytes);
        return {};
    }
    if (Status s = WritePending(); !s) return s;
    if (bytes.size() >= kPiece) {
        if (Status s = newMailbox_.Write(bytes); !s) return AbandonWith(s.error());
    } else {
        pending_.append(bytes);
    }
    return {};
}

Status PairTransaction::WritePending() {
    if (pending_.empty()) return {};
    if (Status s = newMailbox_.Write(pending_); !s) return AbandonWith(s.error());
    pending_.clear();
    return {};
}

Status PairTransaction::StageToc(std::string_view bytes, std::string& staged) {
    staged = Staged(pair_.toc());
    (void)RemoveFile(staged);
    const FileOwnership like = tocExisted_ ? OwnershipOf(pair_.toc()) : OwnershipOf(pair_.mbx());
    auto file = FileHandle::CreateNew(staged, like, pair_.toc());
    if (!file) return file.status();
    Status s = file->Write(bytes);
    if (s) s = file->Sync();
    if (s) s = file->Close();
    return s;
}

Status PairTransaction::Commit() {
    if (done_) return Status::Fail("The change of " + Quoted(pair_.mbx()) + " is finished already.");
    const PairChange change = options_.change;
    std::vector<Step> steps;
    if (ChangesMailbox(change)) {
        if (!newMailbox_.IsOpen())
            if (Status s = StageMailbox(); !s) return AbandonWith(s.error());
        if (Status s = WritePending(); !s) return s;
        Status s = newMailbox_.Sync();
        if (s) s = newMailbox_.Close();
        if (!s) return AbandonWith(s.error());
        steps.push_back({false, false, Exists(pair_.mbx()), FileDigest{newSize_, newHash_.Value()}});
        // A size Eudora recorded must stay true to the new mailbox file.
        if (change == PairChange::MailboxAndToc && toc_.HasHeader()) {
            TocHeader header = toc_.ReadHeader();
            if (header.RecordedMailboxSize() != 0) {
                header.SetRecordedMailboxSize(static_cast<std::uint32_t>(newSize_ + 1));
                toc_.WriteHeader(header);
            }
        }
    }
    // With a new mailbox the TOC is always written after it: Eudora rebuilds
    // a TOC file that is older than its mailbox file.
    if (WritesToc(change) && (change == PairChange::MailboxAndToc || !tocExisted_ || toc_.bytes() != tocAsRead_)) {
        std::string staged;
        if (Status s = StageToc(toc_.bytes(), staged); !s) return AbandonWith(s.error());
        ContentHash hash;
        hash.Add(toc_.bytes());
        steps.push_back({true, false, tocExisted_, FileDigest{static_cast<std::int64_t>(toc_.bytes().size()), hash.Value()}});
    }
    if (change == PairChange::MailboxDeletingToc && Exists(pair_.toc())) steps.push_back({true, true, true, {}});
    if (steps.empty()) {
        done_ = true;
        return {};
    }

    // Every target must be replaceable before the first one is touched.
    for (const Step& s : steps) {
        const std::string target = TargetOf(pair_, s);
        if (const std::string blocker = Exists(target) ? ReplaceBlocker(target) : std::string(); !blocker.empty())
            return AbandonWith("Cannot " + std::string(s.remove ? "delete " : "replace ") + Quoted(target) + ": " + blocker + ".");
    }
#ifdef _WIN32
    // Windows renames nothing over a file that is open.
    if (mailbox_) mailbox_->Close();
#endif
    const std::string journal = JournalOf(pair_);
    {
        (void)RemoveFile(journal);
        auto file = FileHandle::CreateNew(journal, OwnershipOf(pair_.mbx()), pair_.mbx());
        Status s = file ? file->Write(JournalText(steps)) : file.status();
        if (s) s = file->Sync();
        if (s) s = file->Close();
        if (!s) {
            (void)RemoveFile(journal);
            return AbandonWith(s.error());
        }
        SyncFolderOf(journal);
    }
    for (const Step& step : steps) {
        const Status s = ApplyStep(pair_, step, false);
        if (s) continue;
        done_ = true;
        if (Status undone = UndoSteps(pair_, steps); !undone)
            return Status::Fail(JoinSentences(s.error(), "The old files could not be put back: " + undone.error() +
                                                             " The next run of a tool on this mailbox finishes or undoes the change; its "
                                                             "numbered backups keep the old files."));
        (void)RemoveFile(journal);
        SyncFolderOf(journal);
        return Status::Fail(JoinSentences(s.error(), NothingChangedText()));
    }
    FinishSteps(pair_, steps);
    done_ = true;
    return {};
}

}  // namespace ledgerly
