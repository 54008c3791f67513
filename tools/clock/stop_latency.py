#!/usr/bin/env python3
"""Time from USI `stop` to `bestmove` for a running think.

usage: stop_latency.py ENGINE [REPEATS]

Middle-game positions that take the search seconds to minutes; each gets `go infinite` (the
think without a limit) and `go btime 0 wtime 0 byoyomi 60000` (a timed think), stopped after 20,
700 and 2000 ms. Prints each latency and the worst per kind of go.
"""
import subprocess
import sys
import time

POSITIONS = [
    "ln1g3nl/1r3kg2/p2pppsp1/2ps2p1p/1p7/2P1P1PP1/PPSP1PS1P/1KG4R1/LN3G1NL b Bb 1",
    "l6nl/5+P1gk/2np1S3/p1p4Pp/3P2Sp1/1PPb2P1P/P5GS1/R8/LN4bKL w RGgsn5p 1",
]
GOES = ["go infinite", "go btime 0 wtime 0 byoyomi 60000"]


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    repeats = int(argv[2]) if len(argv) > 2 else 1
    usi = subprocess.Popen([argv[1]], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                           bufsize=1)

    def send(line):
        usi.stdin.write(line + "\n")
        usi.stdin.flush()

    def wait_for(prefix):
        while True:
            line = usi.stdout.readline()
            if not line:
                raise RuntimeError("engine exited")
            if line.startswith(prefix):
                return line

    send("usi")
    wait_for("usiok")
    worst = {go: 0.0 for go in GOES}
    for go in GOES:
        for sfen in POSITIONS:
            for after in (20, 700, 2000):
                for _ in range(repeats):
                    send("position sfen " + sfen)
                    send(go)
                    time.sleep(after / 1000)
                    start = time.monotonic()
                    send("stop")
                    move = wait_for("bestmove").split()[1]
                    took = (time.monotonic() - start) * 1000
                    worst[go] = max(worst[go], took)
                    print(f"{go:35} after {after:4} ms: {took:6.1f} ms {move}", flush=True)
    for go, ms in worst.items():
        print(f"worst stop latency, {go}: {ms:.1f} ms")
    send("quit")
    usi.wait(timeout=5)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
