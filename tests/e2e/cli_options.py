#!/usr/bin/env python3
"""End-to-end tests of kestrel-cli's options, on small clips written by ffmpeg.

usage: cli_options.py --cli PATH/kestrel-cli GROUP [--keep DIR]
       cli_options.py --list

GROUP is one of
  naming      default name, -o, --suffix, -i, -n, -p; the batch refusals
  transforms  every name of every transform in any letter case, nothing
              else; --help and --version; the bash completion's names
  batch       -k and its summary, -q, "kestrel-cli: " lines, the order of
              a combined log
  progress    the progress line on a narrow terminal (a pseudo-terminal)
  files       long names, missing sources, -i on links and another's
              file, signals, the file-size limit, a full standard output
Each check looks at the exit status, the files on disk and the messages.
Exits 1 naming every failed check.
"""

import argparse
import fcntl
import os
import re
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
import avi_check  # noqa: E402
from run_e2e import Failure, ffmpeg_source, need_tools, run  # noqa: E402

PREFIX = "kestrel-cli: "

# The names of each transform that the command line takes.
SPELLINGS = {
    "cw": ["cw", "90", "clockwise"],
    "acw": ["acw", "ccw", "270", "-90", "anticlockwise"],
    "180": ["180"],
    "mirror-x": ["mirror-x", "hflip", "flip-h"],
    "mirror-y": ["mirror-y", "vflip", "flip-v"],
}


class Checks:
    """Runs kestrel-cli and collects the faults found."""

    def __init__(self, cli, work):
        self.cli = cli
        self.work = work
        self.faults = []

    def fault(self, text):
        self.faults.append(text)

    def expect(self, args, status, what, cwd=None, stdout=None, stderr=None):
        result = run([self.cli] + args, check=False, cwd=cwd)
        out = result.stdout.decode(errors="replace")
        err = result.stderr.decode(errors="replace")
        if result.returncode != status:
            self.fault(f"{what}: exit status {result.returncode}, expected {status} (stderr {err!r})")
        if stdout is not None and out != stdout:
            self.fault(f"{what}: stdout {out!r}, expected {stdout!r}")
        if stderr is not None and err != stderr:
            self.fault(f"{what}: stderr {err!r}, expected {stderr!r}")
        for line in err.splitlines():
            if not line.startswith(PREFIX):
                self.fault(f"{what}: stderr line {line!r} does not start with {PREFIX!r}")
        return out, err

    def folder(self, name):
        path = os.path.join(self.work, name)
        os.makedirs(path)
        return path


def clip(path, size="64x48"):
    ffmpeg_source(size, "yuvj420p")(path)
    return open(path, "rb").read()


def damaged(path, good):
    """A copy of `good` whose first frame has lost its head and tables."""
    data = bytearray(good)
    frame = data.index(b"00dc", data.index(b"movi"))
    data[frame + 8:frame + 40] = bytes(32)
    open(path, "wb").write(data)
    return bytes(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


# --- naming ---------------------------------------------------------------

def check_naming(c):
    here = c.folder("clips")
    a = clip(os.path.join(here, "a.avi"))
    b = clip(os.path.join(here, "b.avi"), "48x32")

    # In the clip's folder the default destination is the clip: refused,
    # with what to do instead.
    _, err = c.expect(["-t", "90", "a.avi"], 1, "default name in the clip's folder", cwd=here)
    for hint in ("-o DIR", "--in-place", "--suffix"):
        if hint not in err:
            c.fault(f"the same-file refusal {err!r} does not suggest {hint}")
    if len(err.splitlines()) != 1:
        c.fault(f"the same-file refusal is not one line: {err!r}")

    # --suffix beside the sources, from their folder, with a value that
    # starts with '-'.
    out, _ = c.expect(["--suffix", "-cw", "-t", "90", "a.avi", "b.avi"], 0, "--suffix -cw -t 90", cwd=here,
                      stderr="")
    if sorted(os.listdir(here)) != ["a-cw.avi", "a.avi", "b-cw.avi", "b.avi"]:
        c.fault(f"--suffix left {sorted(os.listdir(here))}")
    elif read(os.path.join(here, "a.avi")) != a or read(os.path.join(here, "b.avi")) != b:
        c.fault("--suffix changed a source")
    else:
        c.faults += [f"--suffix: {f}" for f in avi_check.check(os.path.join(here, "b-cw.avi"),
                                                               os.path.join(here, "b.avi"), "cw")]
    if out != "a.avi -> a-cw.avi (10 frames)\nb.avi -> b-cw.avi (10 frames)\n":
        c.fault(f"--suffix summary {out!r}")
    # Run again over the folder: a.avi would land on a-cw.avi, a file of
    # the batch. Refused before anything is written.
    listing = sorted(os.listdir(here))
    c.expect(["--suffix", "-cw", "-t", "90"] + listing, 1, "--suffix over its own results", cwd=here)
    if sorted(os.listdir(here)) != listing:
        c.fault(f"a refused batch wrote {sorted(set(os.listdir(here)) - set(listing))}")

    # --suffix with -o: in DIR; -o alone: the same name in DIR.
    out_dir = os.path.join(c.work, "out")
    c.expect(["-q", "--suffix", ".turned", "-o", out_dir, os.path.join(here, "a.avi")], 0, "--suffix with -o")
    c.expect(["-q", "-t", "cw", "-o", out_dir, os.path.join(here, "a.avi")], 0, "-o")
    if sorted(os.listdir(out_dir)) != ["a.avi", "a.turned.avi"]:
        c.fault(f"-o and --suffix -o wrote {sorted(os.listdir(out_dir))}")

    # -i: the source becomes what -o writes, keeps its permission bits;
    # -p: the destination gets the source's modification time.
    os.chmod(os.path.join(here, "a.avi"), 0o640)
    os.utime(os.path.join(here, "a.avi"), ns=(1_500_000_000_123_456_789, 1_500_000_000_123_456_789))
    c.expect(["-q", "-i", "-p", "-t", "cw", "a.avi"], 0, "-i -p", cwd=here, stdout="", stderr="")
    stat = os.stat(os.path.join(here, "a.avi"))
    if read(os.path.join(here, "a.avi")) != read(os.path.join(out_dir, "a.avi")):
        c.fault("-i wrote something else than -o does")
    if stat.st_mode & 0o777 != 0o640:
        c.fault(f"-i left mode {stat.st_mode & 0o777:o}, expected 640")
    if stat.st_mtime_ns != 1_500_000_000_123_456_789:
        c.fault(f"-i -p left the modification time {stat.st_mtime_ns}")
    os.utime(os.path.join(here, "b.avi"), (1_400_000_000, 1_400_000_000))
    c.expect(["-q", "-p", "-o", out_dir, os.path.join(here, "b.avi")], 0, "-p")
    if os.stat(os.path.join(out_dir, "b.avi")).st_mtime != 1_400_000_000:
        c.fault("-p did not give the destination its source's modification time")
    if any(name.startswith(".") for name in os.listdir(here)):
        c.fault(f"a temporary file stayed: {os.listdir(here)}")

    # -i on a damaged file: the source stays as it was, and nothing else is left.
    broken = c.folder("broken")
    bad = damaged(os.path.join(broken, "bad.avi"), b)
    c.expect(["-i", os.path.join(broken, "bad.avi")], 1, "-i on a damaged file")
    if read(os.path.join(broken, "bad.avi")) != bad or os.listdir(broken) != ["bad.avi"]:
        c.fault(f"-i on a damaged file left {os.listdir(broken)} or changed it")

    # -n: an existing destination is skipped, saying so; the status is 0.
    before = read(os.path.join(out_dir, "a.avi"))
    source = os.path.join(here, "b.avi")
    out, _ = c.expect(["-n", "-o", out_dir, os.path.join(here, "a.avi"), source], 0, "-n", stderr="")
    if read(os.path.join(out_dir, "a.avi")) != before:
        c.fault("-n replaced an existing destination")
    skipped = f"{os.path.join(here, 'a.avi')}: skipped, {os.path.join(out_dir, 'a.avi')} exists\n"
    if not out.startswith(skipped):
        c.fault(f"-n says {out!r}, expected it to start with {skipped!r}")
    c.expect(["-n", "-q", "-o", out_dir, source], 0, "-n -q", stdout="", stderr="")

    # Options that contradict each other are usage errors, and write nothing.
    for args in (["-i", "-o", out_dir], ["-i", "--suffix", "x"], ["-i", "-n"], ["--suffix", "a/b"]):
        c.expect(args + ["a.avi"], 2, f"{' '.join(args)}", cwd=here)
    if sorted(os.listdir(here)) != listing:
        c.fault(f"usage errors left {sorted(os.listdir(here))}")


# --- transforms -----------------------------------------------------------

def completion_names():
    """The transforms the bash completion offers after -t."""
    text = open(os.path.join(ROOT, "packaging", "kestrel-cli.bash")).read()
    words = re.search(r"--transform\)\s*COMPREPLY=\(\$\(compgen -W '([^']*)'", text)
    return words.group(1).split() if words else []


def version_of_project():
    text = open(os.path.join(ROOT, "CMakeLists.txt")).read()
    return re.search(r"project\(Kestrel VERSION ([0-9.]+)", text).group(1)


def check_transforms(c):
    src = c.folder("src")
    clip(os.path.join(src, "clip.avi"))
    source = os.path.join(src, "clip.avi")
    for canonical, names in SPELLINGS.items():
        reference = os.path.join(c.folder(f"{canonical}-ref"), "clip.avi")
        c.expect(["-q", "-t", canonical, "-o", os.path.dirname(reference), source], 0, f"-t {canonical}")
        for i, name in enumerate(names[1:] + [canonical.upper(), names[-1].title()]):
            out = c.folder(f"{canonical}-{i}")
            # Both ways of giving the value; "-90" must not read as an option.
            args = ["-t", name] if i % 2 == 0 else [f"--transform={name}"]
            c.expect(["-q", "-o", out, source] + args, 0, f"-t {name}")
            if os.path.exists(reference) and read(os.path.join(out, "clip.avi")) != read(reference):
                c.fault(f"-t {name} does not give what -t {canonical} gives")

    untouched = c.folder("untouched")
    every = [name for names in SPELLINGS.values() for name in names]
    for wrong in ("0", "1", "2", "3", "4", "sideways", "mirror"):
        _, err = c.expect(["-t", wrong, "-o", untouched, source], 2, f"-t {wrong}")
        if len(err.splitlines()) != 1 or not all(name in err for name in every):
            c.fault(f"-t {wrong}: {err!r} is not one line listing every name")
    if os.listdir(untouched):
        c.fault(f"refused transforms wrote {os.listdir(untouched)}")

    out, _ = c.expect(["--help"], 0, "--help", stderr="")
    for text in every + ["left-right", "top-bottom", "--in-place", "--suffix", "--keep-going"]:
        if text not in out:
            c.fault(f"--help does not mention {text!r}")
    c.expect(["--version"], 0, "--version", stdout=f"kestrel-cli {version_of_project()}\n", stderr="")
    c.expect([], 2, "no FILE")
    c.expect(["--frobnicate", source], 2, "unknown option")

    if sorted(completion_names()) != sorted(every):
        c.fault(f"the bash completion offers {completion_names()}, expected {every}")


# --- batch ----------------------------------------------------------------

def check_batch(c):
    src = c.folder("src")
    good = clip(os.path.join(src, "good.avi"))
    clip(os.path.join(src, "second.avi"))
    damaged(os.path.join(src, "bad.avi"), good)
    paths = {name: os.path.join(src, f"{name}.avi") for name in ("good", "bad", "second")}
    mpeg4 = os.path.join(src, "mpeg4.avi")
    run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=64x48:rate=10",
         "-frames:v", "3", "-c:v", "mpeg4", mpeg4])

    # Without -k the batch ends at the failure.
    out = c.folder("stop")
    c.expect(["-q", "-o", out, paths["bad"], paths["good"]], 1, "a failure without -k")
    if os.listdir(out):
        c.fault(f"without -k a file after a failure was converted: {os.listdir(out)}")

    # -k goes on; the summary counts and lists. stdout and stderr in one
    # pipe keep their order (stdout is line-buffered).
    out = c.folder("keep")
    order = [paths["good"], paths["bad"], paths["second"], mpeg4]
    result = subprocess.run([c.cli, "-k", "-o", out] + order, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    lines = result.stdout.decode(errors="replace").splitlines()
    if result.returncode != 1:
        c.fault(f"-k: exit status {result.returncode}, expected 1")
    if sorted(os.listdir(out)) != ["good.avi", "second.avi"]:
        c.fault(f"-k converted {sorted(os.listdir(out))}")
    expected = [
        f"{paths['good']} -> {os.path.join(out, 'good.avi')} (10 frames)",
        f"{PREFIX}{paths['bad']} is damaged: video frame 1 cannot be decoded",
        f"{paths['second']} -> {os.path.join(out, 'second.avi')} (10 frames)",
        None,  # the MPEG-4 file's message, below
        f"{PREFIX}2 converted, 2 failed",
        f"{PREFIX}failed: {paths['bad']}",
        f"{PREFIX}failed: {mpeg4}",
    ]
    if len(lines) != len(expected) or any(want is not None and not got.startswith(want)
                                          for got, want in zip(lines, expected)):
        c.fault(f"-k with both streams in one log printed {lines}, expected {expected}")
    elif not re.fullmatch(re.escape(PREFIX) + r"Video stream in .*mpeg4\.avi is not a motion JPEG\(MJPG\) stream "
                          r"\(header FCC code is \w+\)", lines[3]):
        c.fault(f"the message of a file that is not Motion-JPEG is not one line: {lines[3]!r}")

    # -q keeps the errors and the summary, nothing else.
    out = c.folder("quiet")
    _, err = c.expect(["-q", "-k", "-o", out, paths["bad"], paths["good"]], 1, "-q -k", stdout="")
    if err.splitlines()[-2:] != [f"{PREFIX}1 converted, 1 failed", f"{PREFIX}failed: {paths['bad']}"]:
        c.fault(f"-q -k printed {err!r}")


# --- progress -------------------------------------------------------------

def draw_progress(c, width, files):
    """Runs kestrel-cli with standard error on a pseudo-terminal `width`
    columns wide; what it drew there, and its standard output."""
    master, slave = os.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, width, 0, 0))
    # One thread, so that the files take long enough for a time left on any machine.
    process = subprocess.Popen([c.cli, "-j", "1", "-o", c.folder(f"out-{width}")] + files, stdout=subprocess.PIPE,
                               stderr=slave)
    os.close(slave)
    drawn = b""
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:  # the other end closed
            break
        if not chunk:
            break
        drawn += chunk
    os.close(master)
    out = process.stdout.read().decode()
    process.wait()
    if process.returncode != 0 or out.count(" -> ") != len(files):
        c.fault(f"exit status {process.returncode} and stdout {out!r} with a terminal {width} wide")
    text = drawn.decode(errors="replace")
    if not text.endswith("\r\x1b[K") or "\n" in text:
        c.fault(f"the progress line is not cleared at the end, or broke a line, at width {width}: {text[-80:]!r}")
    shown = [line for line in (part.replace("\x1b[K", "") for part in text.split("\r")) if line]
    wide = [line for line in shown if len(line) >= width]
    if wide or not shown:
        c.fault(f"progress lines as wide as the terminal ({width}) or none: {wide or shown}")
    return shown


def check_progress(c):
    src = c.folder("src")
    name = os.path.join(src, "a-rather-long-clip-name-that-cannot-fit-on-the-line.avi")
    run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=640x480:rate=25",
         "-frames:v", "200", "-c:v", "mjpeg", "-q:v", "3", "-pix_fmt", "yuvj422p", name])
    short = os.path.join(src, "short.avi")
    shutil.copy(name, short)
    shown = draw_progress(c, 60, [name, short])
    for part in ("file 1/2 ...", "-on-the-line.avi", "file 2/2 ", "%", " fps", " left"):
        if not any(part in line for line in shown):
            c.fault(f"no progress line at width 60 shows {part!r}: {shown}")
    if not any(re.search(r"\d:\d\d left", line) for line in shown):
        c.fault(f"no progress line at width 60 tells the time left: {shown}")
    # Too narrow for any name: the figures stay.
    shown = draw_progress(c, 36, [short])
    if not all(line.startswith("file 1/1  ") and " fps" in line for line in shown):
        c.fault(f"at width 36 the progress lines are {shown}")

# --- files ----------------------------------------------------------------

def leftovers(folder):
    """Hidden files (temporary files) left in `folder`."""
    return [name for name in os.listdir(folder) if name.startswith(".")] if os.path.isdir(folder) else []


def stop_mid_file(c, args, sig, folder):
    """Runs kestrel-cli, sends `sig` once its temporary file is in `folder`;
    the exit status and standard error."""
    process = subprocess.Popen([c.cli] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline and not leftovers(folder):
        time.sleep(0.01)
    time.sleep(0.2)
    process.send_signal(sig)
    _, err = process.communicate(timeout=120)
    return process.returncode, err.decode(errors="replace")


def check_files(c):
    src = c.folder("src")
    small = clip(os.path.join(src, "small.avi"))
    long_stem = "n" * 246  # a 250-byte name with ".avi"
    large = os.path.join(src, "large.avi")
    run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25", "-frames:v", "150",
         "-c:v", "mjpeg", "-q:v", "2", "-pix_fmt", "yuvj422p", large])
    reference = os.path.join(c.folder("reference"), "small.avi")
    c.expect(["-q", "-t", "cw", "-o", os.path.dirname(reference), os.path.join(src, "small.avi")], 0, "reference")

    def fresh(name, data=small):
        folder = c.folder(name)
        path = os.path.join(folder, f"{long_stem}.avi" if name.startswith("250") else "clip.avi")
        open(path, "wb").write(data)
        return folder, path

    def converted(path):
        return os.path.isfile(path) and read(path) == read(reference)

    not_found = "Couldn't open file typo.avi for reading: No such file or directory"
    too_large = "Error writing file {dest}: File too large"
    # (name, arguments with {src}/{dir}/{dest}, preparation, exit status,
    #  a text of standard error, what must hold afterwards, more run options)
    cases = [
        ("250-byte name -o", ["-q", "-t", "cw", "-o", "{dir}/out", "{src}"], None, 0, None,
         lambda d, p: converted(os.path.join(d, "out", f"{long_stem}.avi")), {}),
        ("250-byte name -i", ["-q", "-t", "cw", "-i", "{src}"], None, 0, None, lambda d, p: converted(p), {}),
        ("250-byte name --suffix", ["-q", "-t", "cw", "--suffix", "x", "{src}"], None, 0, None,
         lambda d, p: converted(os.path.join(d, f"{long_stem}x.avi")), {}),
        ("missing source, default name", ["-t", "cw", "typo.avi"], None, 1, not_found, None, {}),
        ("missing source -o", ["-o", "out", "typo.avi"], None, 1, not_found,
         lambda d, p: not os.path.exists(os.path.join(d, "out")), {}),
        ("missing source -i", ["-i", "typo.avi"], None, 1, not_found, None, {}),
        ("missing source --suffix", ["--suffix", "x", "typo.avi"], None, 1, not_found, None, {}),
        ("no folder for a missing source", ["-o", "made/for/nothing", "/nonexistent.avi"], None, 1,
         "/nonexistent.avi for reading: No such file or directory",
         lambda d, p: not os.path.exists(os.path.join(d, "made")), {}),
        ("standard output full", ["-t", "cw", "-o", "out", "{src}"], None, 1,
         "kestrel-cli: write error: No space left on device", lambda d, p: converted(os.path.join(d, "out/clip.avi")),
         {"stdout": "/dev/full"}),
        ("file-size limit", ["-o", "out", large], None, 1, too_large.format(dest="out/large.avi"),
         lambda d, p: os.listdir(os.path.join(d, "out")) == [],
         {"preexec_fn": lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (16384, 16384))}),
        ("-i on a symbolic link", ["-q", "-t", "cw", "-i", "{dir}/link.avi"],
         lambda d, p: os.symlink("clip.avi", os.path.join(d, "link.avi")), 0, None,
         lambda d, p: os.path.islink(os.path.join(d, "link.avi")) and converted(p), {}),
        ("-i on a file of two hard links", ["-t", "cw", "-i", "{src}"],
         lambda d, p: os.link(p, os.path.join(d, "other.avi")), 1,
         "clip.avi has 2 hard links; converting it in place would split them",
         lambda d, p: read(p) == small and os.stat(p).st_nlink == 2, {}),
        ("-i on another user's file", ["-q", "-t", "cw", "-i", "{src}"],
         lambda d, p: (os.chown(p, 12345, 12345), os.chmod(p, 0o604)), 0, None,
         lambda d, p: (os.stat(p).st_uid, os.stat(p).st_gid, os.stat(p).st_mode & 0o777) == (12345, 12345, 0o604)
         and converted(p), {}),
    ]
    for name, args, prepare, status, message, holds, options in cases:
        folder, path = fresh(name.replace(" ", "_").replace("/", "_"))
        if prepare:
            prepare(folder, path)
        args = [a.format(src=path, dir=folder) for a in args]
        stdout = open(options.pop("stdout"), "w") if "stdout" in options else subprocess.PIPE
        result = subprocess.run([c.cli] + args, cwd=folder, stdout=stdout, stderr=subprocess.PIPE, **options)
        err = result.stderr.decode(errors="replace")
        if result.returncode != status:
            c.fault(f"{name}: exit status {result.returncode}, expected {status} ({err!r})")
        if message is not None and message not in err:
            c.fault(f"{name}: stderr {err!r} does not say {message!r}")
        if holds is not None and not holds(folder, path):
            c.fault(f"{name}: the files are not as expected: {sorted(os.listdir(folder))}")
        for sub in [folder] + [os.path.join(folder, n) for n in os.listdir(folder)]:
            if leftovers(sub):
                c.fault(f"{name}: temporary files left: {leftovers(sub)}")

    # SIGHUP (the terminal closed) stops like SIGTERM.
    out = c.folder("hangup")
    status, err = stop_mid_file(c, ["-q", "-o", out, large], signal.SIGHUP, out)
    if status != 129 or os.listdir(out):
        c.fault(f"SIGHUP: exit status {status}, expected 129, and {os.listdir(out)} left ({err!r})")

    # A stop that lands after a file's last chunk (while it is copied,
    # flushed or renamed) still stops the batch: sent at many moments into a
    # batch of files that end in a large JUNK chunk, the batch never runs to
    # its end.
    padded = bytearray(small)
    junk = 8 << 20
    padded += b"JUNK" + junk.to_bytes(4, "little") + bytes(junk)
    padded[4:8] = (len(padded) - 8).to_bytes(4, "little")
    open(os.path.join(src, "padded.avi"), "wb").write(padded)
    batch = c.folder("batch")
    files = []
    for i in range(12):
        files.append(os.path.join(batch, f"{i:02}.avi"))
        os.symlink(os.path.join(src, "padded.avi"), files[-1])
    started = time.monotonic()
    c.expect(["-q", "-j", "1", "-o", os.path.join(c.work, "batch-whole")] + files, 0, "the batch")
    whole = time.monotonic() - started
    shutil.rmtree(os.path.join(c.work, "batch-whole"))
    ran_on = []
    for trial in range(20):
        out = os.path.join(c.work, "batch-out")
        process = subprocess.Popen([c.cli, "-j", "1", "-o", out] + files, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        time.sleep(whole * (0.15 + 0.02 * trial))
        before = len([name for name in os.listdir(out) if not name.startswith(".")]) if os.path.isdir(out) else 0
        if process.poll() is not None:  # a machine much faster than the measure
            process.communicate()
            shutil.rmtree(out, ignore_errors=True)
            continue
        process.send_signal(signal.SIGINT)
        lines, _ = process.communicate(timeout=120)
        done = len(os.listdir(out)) if os.path.isdir(out) else 0
        shutil.rmtree(out, ignore_errors=True)
        # Killed outright when it came before the signals were set up.
        stopped = process.returncode == 130 or (process.returncode == -signal.SIGINT and done == 0)
        if not stopped or done != lines.decode().count(" -> "):
            c.fault(f"batch stopped by SIGINT: exit status {process.returncode}, {done} files written, "
                    f"{lines.decode().count(' -> ')} said")
        # The file being converted may still end well, no other.
        if done > before + 1:
            ran_on.append(f"{before} -> {done}")
    if ran_on:
        c.fault(f"batch stopped by SIGINT went on: files written when stopped -> at the end: {ran_on}")

GROUPS = {"naming": check_naming, "transforms": check_transforms, "batch": check_batch,
          "progress": check_progress, "files": check_files}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("group", nargs="?", choices=list(GROUPS))
    parser.add_argument("--cli", help="path of kestrel-cli")
    parser.add_argument("--keep", help="work in this directory and keep the files")
    parser.add_argument("--list", action="store_true", help="list the groups and exit")
    args = parser.parse_args()
    if args.list:
        print("\n".join(GROUPS))
        return 0
    if not args.group or not args.cli:
        parser.error("GROUP and --cli are required")
    work = args.keep or tempfile.mkdtemp(prefix=f"kestrel-cli-{args.group}-")
    if args.keep:
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
    checks = Checks(os.path.abspath(args.cli), work)
    try:
        need_tools("ffmpeg")
        GROUPS[args.group](checks)
    except Failure as failure:
        checks.fault(str(failure))
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
    for fault in checks.faults:
        print(f"  cli_{args.group}: {fault}")
    print(f"cli_{args.group}: {'FAILED' if checks.faults else 'ok'}")
    return 1 if checks.faults else 0


if __name__ == "__main__":
    sys.exit(main())
