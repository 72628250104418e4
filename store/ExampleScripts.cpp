#include "store/ExampleScripts.h"

#include <filesystem>

#include "app/FileHelpers.h"

namespace ledgerly {
namespace {

constexpr const char* kTcl = R"TCL(# compare-messages.tcl MAILBOX BACKUP
# Counts the messages of a mailbox and of its backup copy (each message opens
# with a line that begins "From ???@???") and says whether they agree.
# Exit status: 0 when the counts agree, 1 when they differ, 2 on a usage error.
if {[llength $argv] < 2} {
    puts stderr "usage: compare-messages.tcl MAILBOX BACKUP"
    exit 2
}
proc count_messages {path} {
    if {$path eq "" || ![file exists $path]} { return -1 }
    set f [open $path rb]
    set data [read $f]
    close $f
    set n 0
    if {[string first "From ???@???" $data] == 0} { incr n }
    incr n [regexp -all {\nFrom \?\?\?@\?\?\?} $data]
    return $n
}
set mailbox [lindex $argv 0]
set backup [lindex $argv 1]
set now [count_messages $mailbox]
set before [count_messages $backup]
puts "Mailbox: $mailbox: $now messages"
puts "Backup:  $backup: $before messages"
if {$now == $before} {
    puts "The counts agree."
    exit 0
}
puts "The counts differ by [expr {$now - $before}]."
exit 1
)TCL";

constexpr const char* kPerl = R"PERL(#!/usr/bin/perl
# list-subjects.pl MAILBOX BACKUP
# Lists the subject of every message of a mailbox, numbered, and then says how
# many messages the mailbox and its backup copy hold.
use strict;
use warnings;

die "usage: list-subjects.pl MAILBOX BACKUP\n" unless @ARGV >= 1;
my ($mailbox, $backup) = @ARGV;

sub messages {
    my ($path) = @_;
    return () unless defined $path && length $path && -f $path;
    open(my $fh, '<:raw', $path) or return ();
    local $/;
    my $data = <$fh>;
    close $fh;
    my @parts = split /(?=^From \?\?\?\@\?\?\?)/m, $data;
    return grep { /^From \?\?\?\@\?\?\?/ } @parts;
}

my @now = messages($mailbox);
my $i = 0;
for my $m (@now) {
    $i++;
    my ($head) = split /\r?\n\r?\n/, $m, 2;
    my ($subject) = $head =~ /^Subject: (.*?)\r?$/m;
    printf "%4d  %s\n", $i, defined $subject ? $subject : '(no subject)';
}
my @before = messages($backup);
printf "%d messages now, %d in the backup.\n", scalar @now, scalar @before;
exit 0;
)PERL";

}  // namespace

Status WriteExampleScripts(const std::string& scriptsFolder) {
    std::error_code ec;
    std::filesystem::create_directories(FsPath(scriptsFolder), ec);
    if (ec) return Status::Fail("Cannot create '" + scriptsFolder + "': " + ec.message() + ".");
    const std::string dir = WithTrailingSeparator(scriptsFolder);
    for (const auto& [name, text] : {std::pair{"compare-messages.tcl", kTcl}, std::pair{"list-subjects.pl", kPerl}}) {
        const std::string path = dir + name;
        if (FileExists(path)) continue;
        if (Status s = WriteWholeFileChecked(path, text); !s) return s;
    }
    return {};
}

}  // namespace ledgerly
