#!/usr/bin/env python3
"""Generates a deterministic home-folder fixture for benchmarks.

The tree looks like a used home folder of either layout: per-application caches, logs,
documents, downloads, pictures, developer folders with deep module trees, a trash, a few hard
links and symbolic links, and some large sparse files. File sizes follow a log-normal spread
(most files small, a few big), so that sizing and deleting meet realistic block counts.

usage: make-fixture.py --layout macos|linux [--seed N] [--files N] OUT
"""
import argparse
import math
import os
import plistlib
import random


def folders_for(layout):
    if layout == "macos":
        return {
            "caches": "Library/Caches",
            "logs": "Library/Logs",
            "support": "Library/Application Support",
            "containers": "Library/Containers",
            "trash": ".Trash",
            "developer": "Library/Developer/Xcode/DerivedData",
        }
    return {
        "caches": ".cache",
        "logs": ".local/state",
        "support": ".local/share",
        "containers": ".var/app",
        "trash": ".local/share/Trash/files",
        "developer": "src",
    }


def size_of(rng):
    # Median about 2 kB, mean about 8 kB, capped at 4 MB.
    return min(int(math.exp(rng.gauss(7.6, 1.6))), 4 * 1024 * 1024)


def write(path, size, chunk):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        while size > 0:
            n = min(size, len(chunk))
            f.write(chunk[:n])
            size -= n


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--layout", choices=["macos", "linux"], required=True)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--files", type=int, default=300000)
    parser.add_argument("out")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    places = folders_for(args.layout)
    chunk = bytes(rng.getrandbits(8) for _ in range(65536))

    # Share of the files each area gets, and how deep its trees go.
    areas = [
        ("caches", 0.40, 4), ("support", 0.12, 3), ("containers", 0.08, 5), ("logs", 0.05, 2),
        ("developer", 0.15, 12), ("Documents", 0.08, 3), ("Downloads", 0.04, 1), ("Pictures", 0.05, 2),
        ("trash", 0.03, 2),
    ]
    made = 0
    for name, share, depth in areas:
        base = os.path.join(args.out, places.get(name, name))
        count = int(args.files * share)
        apps = max(1, count // 800)
        for i in range(count):
            app = "com.vendor%d.app%d" % (rng.randrange(50), rng.randrange(apps))
            parts = [app] + ["d%d" % rng.randrange(6) for _ in range(rng.randrange(depth + 1))]
            ext = rng.choice(["", ".db", ".log", ".json", ".png", ".txt", ".cache", ".plist"])
            path = os.path.join(base, *parts, "f%d%s" % (i, ext))
            write(path, size_of(rng), chunk)
            made += 1
    # Hard links inside the caches (counted once) and links that point outside the tree.
    caches = os.path.join(args.out, places["caches"])
    linked = 0
    for root, _, files in os.walk(caches):
        for f in files[:1]:
            target = os.path.join(root, f)
            os.link(target, target + ".hard")
            linked += 1
        if linked >= 200:
            break
    os.makedirs(os.path.join(args.out, "links"), exist_ok=True)
    os.symlink("/usr", os.path.join(args.out, "links", "usr"))
    os.symlink(args.out, os.path.join(args.out, "links", "loop"))
    # Large files, sparse so that the fixture stays small on disk.
    for i in range(20):
        path = os.path.join(args.out, rng.choice(["Downloads", "Documents", "Movies"]), "large%d.bin" % i)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.truncate(rng.randrange(51, 600) * 1024 * 1024)
    # The user's languages, so that the language tasks search the library as on a used system.
    if args.layout == "macos":
        prefs = os.path.join(args.out, "Library/Preferences/.GlobalPreferences.plist")
        os.makedirs(os.path.dirname(prefs), exist_ok=True)
        with open(prefs, "wb") as f:
            plistlib.dump({"AppleLanguages": ["en-US"], "AppleLocale": "en_US"}, f, fmt=plistlib.FMT_BINARY)
    print("%s: %d files, %d hard links" % (args.out, made, linked))


if __name__ == "__main__":
    main()
