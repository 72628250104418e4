#!/usr/bin/env python3
"""An independent reader's view of a mail export: Python's own mailbox and
email modules read every message ledgerly-cli exported from the sample store
(mbox, Maildir and EML) and must find no defects and every attachment equal,
byte for byte, to the file it was made from.

    check_export.py LEDGERLY_CLI [WORK_FOLDER]   (default: a temporary folder)
"""
import email
import email.policy
import json
import mailbox
import os
import subprocess
import sys
import tempfile

failures = []


def fail(text):
    failures.append(text)


def run(cli, *args):
    return subprocess.run([cli, *args], capture_output=True)


def parse(data):
    return email.message_from_bytes(data, policy=email.policy.default)


def mbox_messages(root):
    for folder, dirs, files in os.walk(root):
        for name in sorted(files):
            if name == "export-report.txt" or name.startswith("."):
                continue
            box = mailbox.mbox(os.path.join(folder, name), create=False)
            for key in box.iterkeys():
                yield os.path.join(folder, name), box.get_bytes(key)


def maildir_messages(root):
    for folder, dirs, files in os.walk(root):
        if "cur" in dirs and "new" in dirs and "tmp" in dirs:
            if os.listdir(os.path.join(folder, "tmp")):
                fail(f"{folder}: files left in tmp/")
            box = mailbox.Maildir(folder, factory=None, create=False)
            for key in box.iterkeys():
                yield folder, box.get_bytes(key)


def eml_messages(root):
    for folder, dirs, files in os.walk(root):
        for name in sorted(files):
            if name.endswith(".eml"):
                with open(os.path.join(folder, name), "rb") as f:
                    data = f.read()
                if b"\n" in data.replace(b"\r\n", b""):
                    fail(f"{name}: a line ends in a bare LF")
                yield os.path.join(folder, name), data


def store_file(store, name):
    for folder in ("attach", "Embedded"):
        path = os.path.join(store, folder, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                return f.read()
    return None


def check(store, where, data):
    """Returns the number of attachments found in one message."""
    message = parse(data)
    attachments = 0
    cids = set()
    html = ""
    for part in message.walk():
        for defect in part.defects:
            fail(f"{where}: {message['Subject']}: {type(defect).__name__}")
        for name, value in part.items():
            for defect in getattr(value, "defects", ()):
                fail(f"{where}: {message['Subject']}: header {name}: {type(defect).__name__}")
        if part.get_content_maintype() == "multipart":
            continue
        if part.get_content_type() == "text/html":
            html += part.get_content()
        filename = part.get_filename()
        if part.get("Content-Disposition") is None:
            part.get_content()  # the text decodes in its charset
            continue
        attachments += 1
        if part["Content-ID"]:
            cids.add(part["Content-ID"].strip("<>"))
        expected = store_file(store, filename or "")
        if expected is None:
            fail(f"{where}: attachment {filename!r} has no file of that name in the store")
        elif part.get_payload(decode=True) != expected:
            fail(f"{where}: attachment {filename!r} differs from its file")
    for cid in cids:
        if f"cid:{cid}" not in html:
            fail(f"{where}: the image {cid} is not referred to by the HTML")
    if message["MIME-Version"] != "1.0":
        fail(f"{where}: {message['Subject']}: no MIME-Version")
    return attachments


def main():
    if len(sys.argv) > 2:
        check_all(sys.argv[1], sys.argv[2])
    else:
        with tempfile.TemporaryDirectory(prefix="ledgerly-export-") as work:
            check_all(sys.argv[1], work)
    for f in failures:
        print("FAIL:", f)
    sys.exit(1 if failures else 0)


def check_all(cli, work):
    store = os.path.join(work, "store")
    made = run(cli, "sample-store", store)
    if made.returncode != 0:
        sys.exit(f"sample-store failed: {made.stderr.decode()}")
    readers = {"mbox": mbox_messages, "maildir": maildir_messages, "eml": eml_messages}
    for fmt, read in readers.items():
        dest = os.path.join(work, fmt)
        done = run(cli, "export", fmt, store, dest, "--json")
        # The sample store plants missing attachments: the export says so.
        if done.returncode != 1:
            fail(f"{fmt}: exit status {done.returncode}, expected 1: {done.stderr.decode()}")
        report = json.loads(done.stdout.decode("utf-8"))
        expected_messages = sum(m["messages"] for m in report["mailboxes"])
        expected_attachments = sum(m["attachments"] for m in report["mailboxes"])
        missing = sum(len(m["missingFiles"]) for m in report["mailboxes"])
        messages = attachments = 0
        notes = 0
        for where, data in read(dest):
            messages += 1
            attachments += check(store, where, data)
            notes += data.count(b"[Attachment not found when exported: ")
        if messages != expected_messages or messages == 0:
            fail(f"{fmt}: {messages} messages read, the report says {expected_messages}")
        if attachments != expected_attachments or attachments < 10:
            fail(f"{fmt}: {attachments} attachments found, the report says {expected_attachments}")
        if notes != missing or missing == 0:
            fail(f"{fmt}: {notes} notes of missing files, the report lists {missing}")
        print(f"{fmt}: {messages} messages, {attachments} attachments byte for byte, {notes} missing files noted")


if __name__ == "__main__":
    main()
