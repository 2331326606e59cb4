#!/usr/bin/env python3
"""Installs a build tree into a temporary prefix and builds its Debian
package; checks what each holds and that the installed files are usable.

usage: check_install.py --build DIR --cmake CMAKE --cpack CPACK [--gui]

  - cmake --install puts exactly the expected files under the prefix, and
    the installed kestrel-cli runs;
  - the desktop file passes desktop-file-validate, the icons are PNG files
    of their folder's size;
  - man -l renders the man page without a warning;
  - the bash completion completes the transforms and the options (with the
    two helpers of bash-completion stubbed); zsh reads its completion;
  - cpack builds a package whose dpkg-deb -c lists the same files under
    /usr and whose dependencies (from dpkg-shlibdeps) name the libraries.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

ICON_SIZES = [16, 22, 24, 32, 48, 64, 128, 256]


def expected_files(gui):
    files = {
        "bin/kestrel-cli",
        "share/man/man1/kestrel-cli.1.gz",
        "share/bash-completion/completions/kestrel-cli",
        "share/zsh/vendor-completions/_kestrel-cli",
        "share/doc/kestrel/copyright",
    }
    if gui:
        files |= {"bin/kestrel", "share/applications/kestrel.desktop"}
        files |= {f"share/icons/hicolor/{n}x{n}/apps/kestrel.png" for n in ICON_SIZES}
    return files


def run(args, **kwargs):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kwargs)


def listing(root):
    return {os.path.relpath(os.path.join(folder, name), root)
            for folder, _, names in os.walk(root) for name in names}


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def complete(script, words):
    """What _kestrel_cli offers for the last of `words`."""
    stubs = ('_init_completion() { cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}; }\n'
             '_filedir() { COMPREPLY=(FILES "$@"); }\n')
    line = " ".join(f"'{w}'" for w in words)
    program = (stubs + f"source '{script}'\nCOMP_WORDS=({line}); COMP_CWORD={len(words) - 1}\n"
               '_kestrel_cli; echo "${COMPREPLY[*]}"\n')
    return run(["bash", "-c", program]).stdout.split()


def check_prefix(prefix, gui, faults):
    got = listing(prefix)
    if got != expected_files(gui):
        faults.append(f"install: missing {sorted(expected_files(gui) - got)}, extra {sorted(got - expected_files(gui))}")
    version = run([os.path.join(prefix, "bin", "kestrel-cli"), "--version"])
    if version.returncode != 0 or not version.stdout.startswith("kestrel-cli "):
        faults.append(f"installed kestrel-cli --version: {version.returncode} {version.stdout!r} {version.stderr!r}")

    if gui:
        desktop = os.path.join(prefix, "share/applications/kestrel.desktop")
        validate = run(["desktop-file-validate", desktop])
        if validate.returncode != 0 or validate.stdout or validate.stderr:
            faults.append(f"desktop-file-validate: {validate.stdout}{validate.stderr}")
        text = open(desktop).read()
        for line in ("Exec=kestrel %F", "Icon=kestrel", "Categories=AudioVideo;Video;",
                     "MimeType=video/x-msvideo;video/avi;"):
            if line + "\n" not in text:
                faults.append(f"the desktop file has no line {line!r}")
        for n in ICON_SIZES:
            size = png_size(os.path.join(prefix, f"share/icons/hicolor/{n}x{n}/apps/kestrel.png"))
            if size != (n, n):
                faults.append(f"the {n}x{n} icon is {size}")

    page = os.path.join(prefix, "share/man/man1/kestrel-cli.1.gz")
    man = run(["man", "--warnings", "-l", page], env=dict(os.environ, MANWIDTH="80", LC_ALL="C"))
    if man.returncode != 0 or man.stderr or "kestrel-cli - rotate or mirror" not in man.stdout:
        faults.append(f"man -l: status {man.returncode}, warnings {man.stderr!r}, page begins {man.stdout[:200]!r}")

    script = os.path.join(prefix, "share/bash-completion/completions/kestrel-cli")
    cases = [(["kestrel-cli", "-t", "mir"], ["mirror-x", "mirror-y"]),
             (["kestrel-cli", "--transform", "-"], ["-90"]),
             (["kestrel-cli", "--k"], ["--keep-going"]),
             (["kestrel-cli", "-o", "x"], ["FILES", "-d"]),
             (["kestrel-cli", "cl"], ["FILES", "@(avi|AVI)"])]
    for words, offered in cases:
        if complete(script, words) != offered:
            faults.append(f"bash completion of {words}: {complete(script, words)}, expected {offered}")
    zsh = run(["zsh", "-n", os.path.join(prefix, "share/zsh/vendor-completions/_kestrel-cli")])
    if zsh.returncode != 0:
        faults.append(f"zsh -n: {zsh.stderr}")


def check_package(build, cpack, work, gui, faults):
    made = run([cpack, "--config", os.path.join(build, "CPackConfig.cmake"), "-B", work])
    debs = [name for name in os.listdir(work) if name.endswith(".deb")]
    if made.returncode != 0 or len(debs) != 1:
        faults.append(f"cpack: status {made.returncode}, made {debs}: {made.stdout}{made.stderr}")
        return
    deb = os.path.join(work, debs[0])
    contents = run(["dpkg-deb", "-c", deb]).stdout.splitlines()
    files = {line.split()[-1].removeprefix("./usr/") for line in contents if not line.startswith("d")}
    if files != expected_files(gui):
        faults.append(f"dpkg-deb -c: missing {sorted(expected_files(gui) - files)}, "
                      f"extra {sorted(files - expected_files(gui))}")
    description = run(["dpkg-deb", "-f", deb, "Description"]).stdout
    if "\n ;" in description or "kestrel-cli" not in description:
        faults.append(f"the package's Description reads {description!r}")
    depends = run(["dpkg-deb", "-f", deb, "Depends"]).stdout
    wanted = ["libc6", "libjpeg62-turbo", "libstdc++6"] + (["libqt6widgets6", "qt6-qpa-plugins"] if gui else [])
    missing = [name for name in wanted if name not in depends]
    if missing:
        faults.append(f"the package's Depends {depends.strip()!r} lacks {missing}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--cpack", required=True)
    parser.add_argument("--gui", action="store_true")
    args = parser.parse_args()
    faults = []
    work = tempfile.mkdtemp(prefix="kestrel-install-")
    try:
        prefix = os.path.join(work, "prefix")
        installed = run([args.cmake, "--install", args.build, "--prefix", prefix])
        if installed.returncode != 0:
            faults.append(f"cmake --install: {installed.stdout}{installed.stderr}")
        else:
            check_prefix(prefix, args.gui, faults)
        os.makedirs(os.path.join(work, "package"))
        check_package(args.build, args.cpack, os.path.join(work, "package"), args.gui, faults)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for fault in faults:
        print(f"  install: {fault}")
    print(f"install: {'FAILED' if faults else 'ok'}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
