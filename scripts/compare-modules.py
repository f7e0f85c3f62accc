#!/usr/bin/python3
"""Renders tracker modules with vimsa-tool, openmpt123 and xmp and compares them.

For each MOD, S3M and IT file found in the given folders (or named directly)
the song is rendered once through by

  - vimsa-tool mod render FILE OUT.wav
  - openmpt123 --subsong 0 (by default it would play every subsong in turn)
  - xmp -o OUT.wav

all at 44100 Hz, 16-bit stereo. Printed per file: our one-pass length against
openmpt123's (as it reports it), and the correlation of the 50 ms loudness
envelopes, ours and xmp's, each against openmpt123's. A loudness envelope is the RMS of each 50 ms
window of the mono mix; where surround channels cancel in a mono mix (the
reference loses more than half its energy when its two channels are added),
the left channel is used instead.

The goal checked at the end: every one-pass length within 0.5 % of
openmpt123's, and every correlation at least 0.95, or within 0.03 of xmp's
where xmp itself scores lower. The wall-clock time of each renderer over the
whole collection is printed too.

Needs python3-numpy, openmpt123 and xmp (Debian packages of those names).

usage: scripts/compare-modules.py [--tool PATH] [--keep DIR] FOLDER_OR_FILE...
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import wave

import numpy as np

RATE = 44100
WINDOW = RATE // 20  # 50 ms
EXTENSIONS = (".mod", ".s3m", ".it")
LENGTH_TOLERANCE = 0.005
CORRELATION_GOAL = 0.95
XMP_MARGIN = 0.03


def find_modules(paths):
    found = []
    for path in paths:
        if os.path.isdir(path):
            for root, _, names in os.walk(path):
                found.extend(os.path.join(root, n) for n in names
                             if n.lower().endswith(EXTENSIONS))
        elif os.path.isfile(path):
            found.append(path)
        else:
            print(f"compare-modules: {path}: no such file or folder", file=sys.stderr)
    return sorted(found, key=lambda p: os.path.basename(p).lower())


def run_timed(command):
    """Runs a command; returns (succeeded, seconds)."""
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    if done.returncode != 0:
        message = done.stderr.decode(errors="replace").strip().splitlines()
        print(f"  {command[0]} failed: {message[-1] if message else done.returncode}",
              file=sys.stderr)
    return done.returncode == 0, seconds


def render_commands(tool, module, out):
    return {
        "ours": [tool, "mod", "render", module, out["ours"], "--rate", str(RATE)],
        "openmpt": ["openmpt123", "--batch", "--quiet", "--subsong", "0", "--samplerate",
                    str(RATE), "--no-float", "--force", "--output", out["openmpt"], module],
        "xmp": ["xmp", "--quiet", "--nocmd", "--frequency", str(RATE), "--output-file",
                out["xmp"], module],
    }


def reported_length(module):
    """openmpt123's own length of subsong 0, in seconds; None if it gives none.

    Its renderings run a little past the song's end (the last output buffer
    is written whole), so the length is taken from what it reports instead.
    """
    done = subprocess.run(["openmpt123", "--info", "--subsong", "0", module],
                          capture_output=True, text=True)
    for line in done.stdout.splitlines():
        if line.startswith("Duration"):
            seconds = 0.0
            for part in line.split(":", 1)[1].strip().split(":"):
                seconds = 60 * seconds + float(part)
            return seconds
    return None


def read_wav(path):
    """Frames of a 16-bit stereo WAV as an (n, 2) float array."""
    with wave.open(path, "rb") as w:
        if w.getsampwidth() != 2 or w.getnchannels() != 2:
            raise ValueError(f"{path}: expected 16-bit stereo")
        data = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2")
    return data.reshape(-1, 2).astype(np.float64)


def surround_cancels(frames):
    """True when adding the two channels loses more than half the energy."""
    stereo = np.sum(frames[:, 0] ** 2 + frames[:, 1] ** 2) / 2
    mono = np.sum(((frames[:, 0] + frames[:, 1]) / 2) ** 2)
    return stereo > 0 and mono < 0.5 * stereo


def envelope(frames, left_only):
    signal = frames[:, 0] if left_only else (frames[:, 0] + frames[:, 1]) / 2
    windows = len(signal) // WINDOW
    if windows == 0:
        return np.zeros(0)
    blocks = signal[: windows * WINDOW].reshape(windows, WINDOW)
    return np.sqrt(np.mean(blocks ** 2, axis=1))


def correlation(a, b):
    n = min(len(a), len(b))
    if n < 2:
        return float("nan")
    a, b = a[:n], b[:n]
    if np.std(a) == 0 or np.std(b) == 0:
        return float("nan")
    return float(np.corrcoef(a, b)[0, 1])


def meets_goal(row):
    if row["length_error"] is None or abs(row["length_error"]) > LENGTH_TOLERANCE:
        return False
    r, x = row["r_ours"], row["r_xmp"]
    if np.isnan(r):
        return False
    if r >= CORRELATION_GOAL:
        return True
    return not np.isnan(x) and x < CORRELATION_GOAL and r >= x - XMP_MARGIN


def compare(tool, module, folder, timings):
    out = {k: os.path.join(folder, f"{k}.wav") for k in ("ours", "openmpt", "xmp")}
    rendered = {}
    for name, command in render_commands(tool, module, out).items():
        ok, seconds = run_timed(command)
        timings[name] += seconds
        rendered[name] = read_wav(out[name]) if ok and os.path.exists(out[name]) else None
    ref = rendered["openmpt"]
    if ref is None or rendered["ours"] is None:
        return None
    left = surround_cancels(ref)
    ref_env = envelope(ref, left)
    row = {
        "file": os.path.basename(module),
        "ours_s": len(rendered["ours"]) / RATE,
        "ref_s": reported_length(module) or len(ref) / RATE,
        "channel": "left" if left else "mono",
        "r_ours": correlation(envelope(rendered["ours"], left), ref_env),
        "r_xmp": (correlation(envelope(rendered["xmp"], left), ref_env)
                  if rendered["xmp"] is not None else float("nan")),
    }
    row["length_error"] = (row["ours_s"] - row["ref_s"]) / row["ref_s"] if row["ref_s"] else None
    return row


def print_table(rows):
    print(f"{'file':<24} {'ours s':>9} {'openmpt s':>10} {'diff':>8} "
          f"{'r ours':>7} {'r xmp':>7}  mix   goal")
    for row in rows:
        diff = row["length_error"]
        diff_text = f"{100 * diff:+7.2f}%" if diff is not None else "     n/a"
        print(f"{row['file']:<24} {row['ours_s']:9.3f} {row['ref_s']:10.3f} {diff_text} "
              f"{row['r_ours']:7.3f} {row['r_xmp']:7.3f}  {row['channel']:<5} "
              f"{'met' if meets_goal(row) else 'MISSED'}")


def print_summary(rows, timings):
    by_kind = {}
    for row in rows:
        by_kind.setdefault(os.path.splitext(row["file"])[1].lower(), []).append(row)
    print()
    for kind, group in sorted(by_kind.items()):
        ours = [r["r_ours"] for r in group if not np.isnan(r["r_ours"])]
        xmp = [r["r_xmp"] for r in group if not np.isnan(r["r_xmp"])]
        print(f"{kind[1:].upper():<4} {len(group):3d} files: median correlation ours "
              f"{statistics.median(ours) if ours else float('nan'):.3f}, xmp "
              f"{statistics.median(xmp) if xmp else float('nan'):.3f}")
    met = sum(meets_goal(r) for r in rows)
    print(f"goal met by {met} of {len(rows)} files")
    print(f"render time, whole collection: vimsa-tool {timings['ours']:.2f} s, "
          f"openmpt123 {timings['openmpt']:.2f} s, xmp {timings['xmp']:.2f} s")
    return met == len(rows)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("paths", nargs="+", help="module files or folders holding them")
    parser.add_argument("--tool", default=os.path.join(os.path.dirname(__file__), "..",
                                                       "build", "tools", "vimsa-tool"),
                        help="the vimsa-tool to run (default: build/tools/vimsa-tool)")
    parser.add_argument("--keep", help="keep the renderings in this folder, one per file")
    args = parser.parse_args()
    for program in ("openmpt123", "xmp"):
        if shutil.which(program) is None:
            sys.exit(f"compare-modules: {program} not found (apt-get install {program})")
    if not os.access(args.tool, os.X_OK):
        sys.exit(f"compare-modules: {args.tool} is not a program; build vimsa-tool first")
    modules = find_modules(args.paths)
    if not modules:
        sys.exit("compare-modules: no MOD, S3M or IT files found")

    timings = {"ours": 0.0, "openmpt": 0.0, "xmp": 0.0}
    rows = []
    with tempfile.TemporaryDirectory() as scratch:
        for module in modules:
            folder = scratch
            if args.keep:
                folder = os.path.join(args.keep, os.path.basename(module))
                os.makedirs(folder, exist_ok=True)
            row = compare(args.tool, module, folder, timings)
            if row is None:
                print(f"{os.path.basename(module)}: not compared (a renderer failed)",
                      file=sys.stderr)
                continue
            rows.append(row)
    if not rows:
        sys.exit("compare-modules: nothing could be compared")
    print_table(rows)
    return 0 if print_summary(rows, timings) else 1


if __name__ == "__main__":
    sys.exit(main())
