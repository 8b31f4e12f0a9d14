#!/usr/bin/env python3
"""kokurin-sim's transcripts for many seeds, every roster entry and busy key scripts (hints,
exchanges by both humans, ESC in every kind of step), compared with the ones recorded when the
game was known good. Any change of a frame, a random draw or a decision shows up here.

  golden_transcripts.py SIM GOLDEN-FILE            check
  golden_transcripts.py SIM GOLDEN-FILE --record   write GOLDEN-FILE anew

Each line of GOLDEN-FILE is: the run's name, its event count, the SHA-256 of its transcript and
its last event. Key scripts come from a fixed pseudo-random sequence written here, so the file
pins both the scripts and the game.

Every run also records its replay and plays it back: the replay's transcript must be the same
bytes, and the sizes of the replays are summed up per minute of play."""
import concurrent.futures
import hashlib
import os
import subprocess
import sys
import tempfile

SEEDS = [1, 2, 7, 99, 1234, 65535, 20261207, 4294967295]

# Key codes: ESC 1, W 17, RETURN 28, A 30, S 31, D 32, H 35, SPACE 57, arrows 200 203 205 208.
PLAY_KEYS = [17, 30, 31, 32, 57, 200, 203, 205, 208, 28]


def lcg(state):
    return (state * 6364136223846793005 + 1442695040888963407) % (1 << 64)


def busy_script(salt, polls, hint_every, escapes):
    """A key on about every third poll, a hint now and then, ESC at the given polls."""
    lines = []
    state = salt
    for poll in range(1, polls + 1):
        state = lcg(state)
        r = state >> 33
        codes = []
        if poll in escapes:
            codes.append(1)
        elif r % 3 == 0:
            codes.append(PLAY_KEYS[(r >> 4) % len(PLAY_KEYS)])
            if (r >> 12) % hint_every == 0:
                codes.append(35)
        if codes:
            lines.append("%d %s" % (poll, " ".join(map(str, codes))))
    return "\n".join(lines) + "\n"


def runs(scripts):
    """(name, arguments) of every run."""
    out = []
    for seed in SEEDS:
        for opponent in range(16):
            args = ["--seed", str(seed), "--opponent", str(opponent)]
            if opponent == 0:
                # Two key-less humans only time out; a limit keeps the run short.
                args += ["--max-polls", "6000"]
            out.append(("seed %d opponent %d" % (seed, opponent), args))
    for name, path in sorted(scripts.items()):
        for seed in SEEDS[:4]:
            for opponent in range(16):
                out.append(
                    (
                        "%s seed %d opponent %d" % (name, seed, opponent),
                        ["--seed", str(seed), "--opponent", str(opponent), "--keys", path,
                         "--max-polls", "12000"],
                    )
                )
    return out


def write_scripts(folder, here):
    scripts = {
        "two_humans": os.path.join(here, "scripts", "two_humans.keys"),
        "escape": os.path.join(here, "scripts", "escape.keys"),
    }
    generated = {
        # Busy play to the poll limit: no ESC at all.
        "busy": busy_script(11, 12000, 9, set()),
        # ESC early and often: in human turns, the computer's turns, cascades and clashes.
        "escapes": busy_script(23, 12000, 5, set(range(420, 12000, 337))),
        # Hints on most key presses.
        "hints": busy_script(37, 4000, 1, set()),
    }
    for name, text in generated.items():
        path = os.path.join(folder, name + ".keys")
        with open(path, "w") as f:
            f.write(text)
        scripts[name] = path
    return scripts


def transcript_line(sim, name, args, folder, index):
    replay = os.path.join(folder, "run%d.kkr" % index)
    out = subprocess.run([sim] + args + ["--record", replay], capture_output=True, timeout=600)
    if out.returncode != 0:
        raise SystemExit("%s: kokurin-sim exited %d: %s" % (name, out.returncode, out.stderr))
    again = subprocess.run([sim, "--replay", replay], capture_output=True, timeout=600)
    if again.returncode != 0 or again.stdout != out.stdout:
        raise SystemExit("%s: its replay played differently (exit %d): %s"
                         % (name, again.returncode, again.stderr))
    lines = out.stdout.decode("utf-8").splitlines()
    digest = hashlib.sha256(out.stdout).hexdigest()
    last = lines[-1] if lines else ""
    polls = int(last.split('"poll":')[1].split(",")[0]) if '"poll":' in last else 0
    size = os.path.getsize(replay)
    os.remove(replay)
    return "%s | %d | %s | %s" % (name, len(lines), digest, last), size, polls


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    sim, golden = sys.argv[1], sys.argv[2]
    record = "--record" in sys.argv[3:]
    here = os.path.dirname(os.path.abspath(__file__))
    with tempfile.TemporaryDirectory(prefix="kokurin-golden.") as folder:
        scripts = write_scripts(folder, here)
        # Script paths differ from run to run; the name stands for the script in the file.
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            done = list(pool.map(lambda job: transcript_line(sim, job[1][0], job[1][1], folder,
                                                             job[0]),
                                 enumerate(runs(scripts))))
        lines = [line for line, _, _ in done]
        size = sum(bytes_ for _, bytes_, _ in done)
        minutes = sum(polls for _, _, polls in done) / 3600.0
        print("replays: %d recorded and played back the same, %.0f bytes a minute of play, "
              "largest %d bytes" % (len(done), size / minutes, max(b for _, b, _ in done)))
    if record:
        with open(golden, "w") as f:
            f.write("\n".join(lines) + "\n")
        print("recorded %d transcripts in %s" % (len(lines), golden))
        return 0
    with open(golden) as f:
        expected = f.read().splitlines()
    failures = 0
    for want, got in zip(expected, lines):
        if want != got:
            failures += 1
            print("DIFFERENT\n  recorded: %s\n  now:      %s" % (want, got))
    if len(expected) != len(lines):
        failures += 1
        print("recorded %d runs, ran %d" % (len(expected), len(lines)))
    print("%d transcripts, %d different" % (len(lines), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
