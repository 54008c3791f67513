#!/usr/bin/env python3
"""How well a USI engine keeps to its byoyomi on every position of the bench suite.

usage: overshoot.py [--allow MS] ENGINE BYOYOMI_MS [BYOYOMI_MS ...]

ENGINE is kazaguruma-engine (the suite comes from `ENGINE bench --list`). The engine is told
ByoyomiMargin 0, so its whole byoyomi is its budget; each think is timed from writing `go` to
reading `bestmove`, pipe included. Prints one line per think and, per byoyomi, the worst
overshoot (time taken minus byoyomi; negative: that much early). Exit status 1 when an answer
came more than --allow MS late (default 50: with no margin the answer cannot beat the deadline,
only follow it closely) or was a resignation in a position that is not lost.
"""
import subprocess
import sys
import time

LOST = {"k8/G8/P8/9/9/9/9/9/8K w - 1"}  # the suite's checkmated position: resign is right


def main(argv):
    allow = 50
    if len(argv) > 2 and argv[1] == "--allow":
        allow = int(argv[2])
        argv = argv[:1] + argv[3:]
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    engine, budgets = argv[1], [int(b) for b in argv[2:]]
    suite = subprocess.run([engine, "bench", "--list"], check=True, capture_output=True,
                           text=True).stdout.split("\n")
    suite = [s for s in suite if s]
    usi = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                           bufsize=1)

    def send(line):
        usi.stdin.write(line + "\n")
        usi.stdin.flush()

    def wait_for(prefix):
        lines = []
        while True:
            line = usi.stdout.readline()
            if not line:
                raise RuntimeError("engine exited")
            lines.append(line.strip())
            if line.startswith(prefix):
                return lines

    send("usi")
    wait_for("usiok")
    send("setoption name ByoyomiMargin value 0")
    send("isready")
    wait_for("readyok")
    failed = False
    for budget in budgets:
        worst = None
        for n, sfen in enumerate(suite, 1):
            send("usinewgame")
            send("position sfen " + sfen)
            start = time.monotonic()
            send(f"go btime 0 wtime 0 byoyomi {budget}")
            lines = wait_for("bestmove")
            took = (time.monotonic() - start) * 1000
            over = took - budget
            worst = over if worst is None else max(worst, over)
            move = lines[-1].split()[1]
            depth = next((l.split()[2] for l in lines if l.startswith("info depth")), "?")
            bad = over > allow or (move == "resign" and sfen not in LOST)
            failed |= bad
            print(f"byoyomi {budget} pos {n:2} took_ms {took:7.1f} over_ms {over:6.1f} "
                  f"depth {depth:>2} {move}{'  <-- FAIL' if bad else ''}", flush=True)
        print(f"byoyomi {budget}: {len(suite)} positions, worst overshoot {worst:.1f} ms",
              flush=True)
    send("quit")
    usi.wait(timeout=5)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
