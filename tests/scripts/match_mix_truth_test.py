#!/usr/bin/python3
"""The truth scripts/make-match-mixes writes beside a mix says where each recording plays: a
small mix built from singularity-music (one source given as MP3, which sox cannot read, so it
goes through FFmpeg) must hold each recording where its play says (start, offset into the
file, speed ratio), no play may run past its length limit, and the plays, boundaries and
candidates must agree with each other. Exits 77 (skipped) without the music or numpy.

    match_mix_truth_test.py REPO
"""
import importlib.machinery
import types
import json
import subprocess
import sys
import tempfile
from pathlib import Path

SKIP = 77
ENVELOPE = 441  # samples per envelope value: 10 ms at the mixes' rate


def load(repo):
    loader = importlib.machinery.SourceFileLoader("mixes", str(repo / "scripts" /
                                                              "make-match-mixes"))
    module = types.ModuleType("mixes")
    module.__file__ = loader.path
    loader.exec_module(module)
    return module


def envelope(x, np):
    n = len(x) // ENVELOPE
    return np.sqrt((x[:n * ENVELOPE] ** 2).reshape(n, ENVELOPE).mean(axis=1))


def correlation(a, b, np):
    n = min(len(a), len(b))
    a, b = a[:n] - a[:n].mean(), b[:n] - b[:n].mean()
    return float((a * b).sum() / np.sqrt((a * a).sum() * (b * b).sum() + 1e-20))


def main():
    repo = Path(sys.argv[1])
    try:
        import numpy as np
        import soundfile as sf
    except ImportError:
        print("numpy or soundfile missing: skipped")
        return SKIP
    m = load(repo)
    m.np, m.sf = np, sf
    songs = m.recordings("singularity")
    if len(songs) < 4:
        print("singularity-music is not installed: skipped")
        return SKIP
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        tmp = Path(tmp)
        cache, out = tmp / "cache", tmp / "out"
        cache.mkdir()
        out.mkdir()
        mp3 = str(tmp / "second.mp3")
        subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-i", songs[1], "-c:a",
                        "libmp3lame", "-b:a", "192k", mp3], check=True)
        played = [songs[0], mp3, songs[2]]
        # Seed 11 plays the first file 4 % fast by resampling, the MP3 at its own speed from
        # 25 s in and the last one 2 % slow with key lock from 14 s in.
        m.build("t", "test", played + songs[3:4], played, songs[3:4], out, cache, seed=11,
                formats=[m.FORMATS[0]], play_seconds=(30, 45))
        truth = json.loads((out / "t.json").read_text())
        mix, rate = sf.read(out / "t.wav", dtype="float32", always_2d=True)
        plays = truth["plays"]
        if len(plays) != 3 or len(truth["boundaries"]) != 2 or len(truth["unplayed"]) != 1:
            failures.append(f"plays, boundaries, unplayed: {len(plays)}, "
                            f"{len(truth['boundaries'])}, {len(truth['unplayed'])}")
        if sorted(p.name for p in (out / "t.tracks").iterdir()) != \
                [f"track0{k}.mp3" for k in range(1, 5)]:
            failures.append("the candidates are not four MP3 files")
        if abs(plays[-1]["end"] - len(mix) / rate) > 0.01:
            failures.append(f"the mix ends at {len(mix) / rate} s, its last play at "
                            f"{plays[-1]['end']}")
        ratios = sorted((p["ratio"], p["key_lock"]) for p in plays)
        if ratios[0][0] >= 1.0 or ratios[-1][0] <= 1.0:
            failures.append(f"the seed no longer plays one file slow and one fast: {ratios}")
        for k, p in enumerate(plays):
            if p["end"] - p["start"] > 45.01:
                failures.append(f"play {k} lasts {p['end'] - p['start']:.1f} s, over 45")
            if k > 0:
                b = truth["boundaries"][k - 1]
                if not plays[k - 1]["start"] < p["start"] <= plays[k - 1]["end"] + 1e-3:
                    failures.append(f"play {k} does not follow play {k - 1}")
                if not p["start"] - 1e-3 <= b["seconds"] <= plays[k - 1]["end"] + 1e-3 or \
                        b["file"] != p["file"]:
                    failures.append(f"boundary {k - 1} lies outside the overlap or names "
                                    f"{b['file']}")
            # Where only this play sounds, the mix follows the recording read from `offset` at
            # `ratio`: their envelopes agree there, and agree less a second off.
            first = plays[k - 1]["end"] if k > 0 else p["start"]
            last = plays[k + 1]["start"] if k + 1 < len(plays) else p["end"]
            if last - first < 8:
                failures.append(f"play {k} sounds alone for {last - first:.1f} s only")
                continue
            mixed = envelope(mix[int(first * rate):int(last * rate)].mean(axis=1), np)
            source, _ = sf.read(m.same_wav(played[k], cache), dtype="float32", always_2d=True)
            source = source.mean(axis=1)

            def along(shift):
                t = first + np.arange(len(mixed) * ENVELOPE) / rate
                at = ((p["offset"] + (t - p["start"]) * p["ratio"] + shift) * rate).astype(int)
                at = np.clip(at, 0, len(source) - 1)
                return correlation(mixed, envelope(source[at], np), np)

            right, off = along(0.0), max(along(-1.0), along(1.0))
            print(f"play {k}: the mix follows the file by {right:.2f}, {off:.2f} a second off")
            if right < 0.8 or right < off + 0.2:
                failures.append(f"play {k} (ratio {p['ratio']}, key lock {p['key_lock']}): "
                                f"the mix follows the file by {right:.2f} at its offset, by "
                                f"{off:.2f} a second off")
    for f in failures:
        print("FAIL:", f)
    if not failures:
        print("the match mixes' truth says where each recording plays")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
