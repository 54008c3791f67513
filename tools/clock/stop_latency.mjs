#!/usr/bin/env node
// Time from USI `stop` to `bestmove` for a running think.
//
// usage: node stop_latency.mjs ENGINE [REPEATS]
//
// Middle-game positions that take the search seconds to minutes; each gets `go infinite` (the
// think without a limit) and `go btime 0 wtime 0 byoyomi 60000` (a timed think), stopped after 20,
// 700 and 2000 ms. Prints each latency and the worst per kind of go.
import { setTimeout as sleep } from "node:timers/promises";
import { UsiEngine } from "../match/lib/usi-engine.mjs";

const POSITIONS = [
  "ln1g3nl/1r3kg2/p2pppsp1/2ps2p1p/1p7/2P1P1PP1/PPSP1PS1P/1KG4R1/LN3G1NL b Bb 1",
  "l6nl/5+P1gk/2np1S3/p1p4Pp/3P2Sp1/1PPb2P1P/P5GS1/R8/LN4bKL w RGgsn5p 1",
];
const GOES = ["go infinite", "go btime 0 wtime 0 byoyomi 60000"];
// How long after `stop` an answer may take before the engine counts as hung.
const HUNG_MS = 30000;

const [enginePath, repeatArg = "1"] = process.argv.slice(2);
const repeats = Number(repeatArg);
if (!enginePath || !Number.isInteger(repeats) || repeats < 1) {
  console.error("usage: node stop_latency.mjs ENGINE [REPEATS]");
  process.exit(2);
}
const engine = new UsiEngine(`'${enginePath.replaceAll("'", "'\\''")}'`);
engine.start();
await engine.handshake();
await engine.isReady();

const worst = new Map(GOES.map((go) => [go, 0]));
for (const go of GOES) {
  for (const sfen of POSITIONS) {
    for (const after of [20, 700, 2000]) {
      for (let r = 0; r < repeats; r++) {
        engine.send(`position sfen ${sfen}`);
        engine.send(go);
        await sleep(after);
        const start = performance.now();
        engine.send("stop");
        const line = await engine.waitFor((l) => /^bestmove(\s|$)/.test(l), "bestmove", HUNG_MS);
        const took = performance.now() - start;
        worst.set(go, Math.max(worst.get(go), took));
        const move = line.trim().split(/\s+/)[1] ?? "";
        const ms = took.toFixed(1).padStart(6);
        console.log(`${go.padEnd(35)} after ${String(after).padStart(4)} ms: ${ms} ms ${move}`);
      }
    }
  }
}
for (const [go, ms] of worst) console.log(`worst stop latency, ${go}: ${ms.toFixed(1)} ms`);
await engine.quit(5000);
