#!/usr/bin/env python3
"""Installs a build tree into a temporary prefix and builds its Debian
package; checks what each holds and that the installed files are usable.

usage: check_install.py --build DIR --cmake CMAKE --cpack CPACK [--gui]

  - cmake --install puts exactly the expected files under the prefix, and
    the installed kestrel-cli runs;
  - the desktop file passes desktop-file-validate, the icons are PNG files
    of their folder's size, the AppStream MetaInfo file passes
    appstreamcli validate --pedantic;
  - man --warnings -l renders each man page without a warning, and
    kestrel-cli's page has every option of its --help;
  - the changelog and the MetaInfo file's releases begin with the version;
  - bash and zsh complete every option of kestrel-cli --help, the
    transforms' names it lists after -t and --transform=, thread counts up
    to the hardware threads after -j and --jobs=, all of which kestrel-cli
    accepts, folders after -o and AVI files and folders otherwise;
  - cpack builds a package whose dpkg-deb -c lists the same files under
    /usr, whose dependencies (from dpkg-shlibdeps) name the libraries, which
    lintian -I -E --pedantic finds no error or warning in (and, built from a
    Release tree, nothing but the informational tags explained below), and
    whose tree passes appstreamcli validate-tree --pedantic.
"""

import argparse
import gzip
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

ICON_SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
HERE = os.path.dirname(os.path.abspath(__file__))
METAINFO = "share/metainfo/org.kestrelvideo.kestrel.metainfo.xml"

# The informational tags lintian may report on a package of a Release build.
# A sanitizer build is not hardened, so there any informational tag is let be.
RELEASE_INFO_TAGS = {
    # "liK link", "liI link": the compiler writes the message prefix
    # "JPEG library: " with 8-byte immediate moves, so strings(1) reads "JPEG li"
    # and the next instruction's byte as one word.
    "spelling-error-in-binary",
}


def expected_files(gui):
    files = {
        "bin/kestrel-cli",
        "share/man/man1/kestrel-cli.1.gz",
        "share/bash-completion/completions/kestrel-cli",
        "share/zsh/vendor-completions/_kestrel-cli",
        "share/doc/kestrel/copyright",
        "share/doc/kestrel/changelog.gz",
    }
    if gui:
        files |= {"bin/kestrel", "share/applications/kestrel.desktop", "share/man/man1/kestrel.1.gz", METAINFO}
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


def cli_help(cli):
    """The options of kestrel-cli --help, each as its names (("-t", "--transform"),
    ("--suffix",)), and the transforms' names it lists."""
    text = run([cli, "--help"]).stdout
    options = [tuple(re.findall(r"-?-[\w-]+", names))
               for names in re.findall(r"^  (-[-\w]+(?:,--[-\w]+)?)", text, re.M)]
    table = text.split("Transforms (-t)")[1].split("\n\n")[0].splitlines()[1:]
    transforms = [name for line in table for name in re.split(r",\s*", line.strip().split("  ")[0])]
    return options, transforms


def check_completion(prefix, cli, work, faults):
    """What bash and zsh offer after each beginning, in a folder of an AVI
    file, another file and a folder, against what kestrel-cli accepts."""
    options, transforms = cli_help(cli)
    folder = os.path.join(work, "completion")
    os.makedirs(os.path.join(folder, "clips"))
    for name in ("take.avi", "TAKE2.AVI", "notes.txt"):
        open(os.path.join(folder, name), "w").close()
    bash_script = os.path.join(prefix, "share/bash-completion/completions/kestrel-cli")
    zsh_folder = os.path.join(prefix, "share/zsh/vendor-completions")
    shells = {
        "bash": lambda line: ["bash", os.path.join(HERE, "bash_complete.sh"), bash_script, line],
        "zsh": lambda line: ["zsh", "-f", os.path.join(HERE, "zsh_complete.zsh"), zsh_folder, line],
    }
    threads = [str(n) for n in range(1, os.sysconf("SC_NPROCESSORS_ONLN") + 1)]
    long_options = {names[-1] for names in options}
    cases = [("kestrel-cli -t ", set(transforms)),
             ("kestrel-cli --transform=", set(transforms)),
             ("kestrel-cli -j ", set(threads)),
             ("kestrel-cli --jobs=", set(threads)),
             ("kestrel-cli -o ", {"clips"}),
             ("kestrel-cli -t cw ", {"take.avi", "TAKE2.AVI", "clips"})]
    for shell, command in shells.items():
        for line, wanted in cases + [("kestrel-cli --", long_options)]:
            done = run(command(line), cwd=folder, timeout=60)
            # bash offers --transform= for an option that takes a value; zsh --transform.
            offered = {word.rstrip("=") for word in done.stdout.split()}
            if offered != wanted:
                faults.append(f"{shell} completion of {line!r}: {sorted(offered)}, expected {sorted(wanted)}")
    # What is offered is accepted: a usage error exits with 2, a source that is not there with 1.
    for arguments in ([["-t", name] for name in transforms] + [["--transform=" + name] for name in transforms] +
                      [["-j", n] for n in threads]):
        accepted = run([cli, *arguments, "absent.avi"], cwd=folder)
        if accepted.returncode != 1:
            faults.append(f"kestrel-cli {' '.join(arguments)}: exit status {accepted.returncode}, {accepted.stderr!r}")
    return options


def check_prefix(prefix, gui, work, faults):
    got = listing(prefix)
    if got != expected_files(gui):
        faults.append(f"install: missing {sorted(expected_files(gui) - got)}, extra {sorted(got - expected_files(gui))}")
    cli = os.path.join(prefix, "bin", "kestrel-cli")
    version = run([cli, "--version"])
    if version.returncode != 0 or not version.stdout.startswith("kestrel-cli "):
        faults.append(f"installed kestrel-cli --version: {version.returncode} {version.stdout!r} {version.stderr!r}")
        return
    version = version.stdout.split()[1]

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
        metainfo = os.path.join(prefix, METAINFO)
        validate = run(["appstreamcli", "validate", "--pedantic", "--no-net", "--no-color", metainfo])
        if validate.returncode != 0 or validate.stdout.strip() != "\u2714 Validation was successful.":
            faults.append(f"appstreamcli validate: {validate.stdout}{validate.stderr}")
        releases = re.findall(r'<release version="([^"]+)"', open(metainfo, encoding="utf-8").read()
                              if os.path.exists(metainfo) else "")
        if releases[:1] != [version]:
            faults.append(f"the MetaInfo file's releases are {releases}, the version {version}")

    changelog = os.path.join(prefix, "share/doc/kestrel/changelog.gz")
    first = gzip.open(changelog, "rt", encoding="utf-8").readline() if os.path.exists(changelog) else ""
    if first != f"kestrel ({version}) unstable; urgency=medium\n":
        faults.append(f"the changelog begins {first!r}, the version is {version}")

    options = check_completion(prefix, cli, work, faults)
    for page, name in [("kestrel-cli", "kestrel-cli - rotate or mirror")] + ([("kestrel", "kestrel - rotate")] if gui else []):
        man = run(["man", "--warnings", "-l", os.path.join(prefix, f"share/man/man1/{page}.1.gz")],
                  env=dict(os.environ, MANWIDTH="80", LC_ALL="C"))
        text = " ".join(man.stdout.split())
        if man.returncode != 0 or man.stderr or name not in text:
            faults.append(f"man -l {page}: status {man.returncode}, warnings {man.stderr!r}, begins {man.stdout[:200]!r}")
        if page == "kestrel-cli":
            missing = [names for names in options if ", ".join(names) not in text]
            if missing:
                faults.append(f"the kestrel-cli man page lacks the options {missing}")


def build_type(build):
    with open(os.path.join(build, "CMakeCache.txt")) as cache:
        found = re.search(r"^CMAKE_BUILD_TYPE:\w+=(.*)$", cache.read(), re.M)
    return found.group(1) if found else ""


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
    recommends = run(["dpkg-deb", "-f", deb, "Recommends"]).stdout.strip()
    if recommends != ("xdg-utils" if gui else ""):
        faults.append(f"the package's Recommends is {recommends!r}")

    lintian = run(["lintian", "-I", "-E", "--pedantic", deb])
    lines = lintian.stdout.splitlines()
    release = build_type(build) == "Release"
    unexplained = [line for line in lines if not line.startswith(("I: ", "P: "))
                   or release and line.split()[2] not in RELEASE_INFO_TAGS]
    if lintian.returncode != 0 or unexplained:
        faults.append(f"lintian -I -E --pedantic: status {lintian.returncode}\n" + "\n".join(unexplained))
    if gui:
        tree = os.path.join(work, "tree")
        run(["dpkg-deb", "-x", deb, tree])
        validate = run(["appstreamcli", "validate-tree", "--pedantic", "--no-net", "--no-color", tree])
        if validate.returncode != 0 or "\u2714 Validation was successful.\n" not in validate.stdout or ": " in validate.stdout:
            faults.append(f"appstreamcli validate-tree: {validate.stdout}{validate.stderr}")


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
            check_prefix(prefix, args.gui, work, faults)
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
