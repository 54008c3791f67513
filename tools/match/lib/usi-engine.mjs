// A USI engine running as a child process, spoken to line by line.
import { spawn } from "node:child_process";

export class EngineError extends Error {
  // kind: "crash" | "timeout" | "protocol"
  constructor(kind, message) {
    super(message);
    this.kind = kind;
  }
}

const live = new Set();

// Engines run in their own process group (so a shell wrapper and whatever it
// started die together), which also keeps them out of reach of the terminal's
// Ctrl-C: whoever exits must take them down.
export function killAllEngines() {
  for (const engine of live) engine.kill();
}
process.on("exit", killAllEngines);

export class UsiEngine {
  /**
   * @param {string} command shell command line that starts the engine
   * @param {object} opts
   *   label: name used in reports
   *   options: [[name, value|null], ...] sent with setoption
   *   timeoutMs: limit for handshake replies
   *   log: optional (direction, line) => void
   */
  constructor(command, opts = {}) {
    this.command = command;
    this.label = opts.label ?? command;
    this.options = opts.options ?? [];
    this.timeoutMs = opts.timeoutMs ?? 60000;
    this.log = opts.log ?? null;
    this.name = null; // from "id name"
    this.advertisedOptions = new Set();
    this.stderrTail = "";
    this.exited = false;
    this.exitInfo = null;
    this._buffer = "";
    this._waiter = null; // { test, resolve, reject, timer, description }
    this._queue = []; // lines read while nobody was waiting
  }

  start() {
    const child = spawn(this.command, {
      shell: true,
      detached: true,
      stdio: ["pipe", "pipe", "pipe"],
    });
    this.child = child;
    live.add(this);
    child.stdout.setEncoding("utf8");
    child.stdout.on("data", (chunk) => this._onData(chunk));
    child.stderr.setEncoding("utf8");
    child.stderr.on("data", (chunk) => {
      // Kept for crash reports and the traffic log, never parsed.
      this.stderrTail = (this.stderrTail + chunk).slice(-2000);
      if (this.log) for (const line of chunk.split("\n")) if (line) this.log("!", line);
    });
    // Writing to an engine that just died raises EPIPE; the exit handler
    // reports the crash, so the write error itself is not interesting.
    child.stdin.on("error", () => {});
    child.on("error", (err) => this._onExit(null, null, err));
    // "close" rather than "exit": a bestmove written just before dying must
    // still be read.
    child.on("close", (code, signal) => this._onExit(code, signal));
  }

  _onData(chunk) {
    this._buffer += chunk;
    let nl;
    while ((nl = this._buffer.indexOf("\n")) >= 0) {
      const line = this._buffer.slice(0, nl).replace(/\r$/, "");
      this._buffer = this._buffer.slice(nl + 1);
      this._onLine(line);
    }
  }

  _onLine(line) {
    this.log?.("<", line);
    const w = this._waiter;
    if (w) {
      if (w.test(line)) {
        this._settle(null, line);
      }
      // Lines before the awaited one (info, id, option) are noted by the test.
      return;
    }
    this._queue.push(line);
    if (this._queue.length > 1000) this._queue.shift();
  }

  _onExit(code, signal, err) {
    if (this.exited) return;
    this.exited = true;
    this.exitInfo = err
      ? `failed to start: ${err.message}`
      : signal
        ? `killed by ${signal}`
        : `exited with status ${code}`;
    if (this._waiter) {
      const tail = this.stderrTail.trim().split("\n").slice(-5).join(" | ");
      this._settle(
        new EngineError(
          "crash",
          `${this.label} ${this.exitInfo} while waiting for ${this._waiter.description}` +
            (tail ? ` (stderr: ${tail})` : ""),
        ),
      );
    }
  }

  _settle(error, line) {
    const w = this._waiter;
    this._waiter = null;
    clearTimeout(w.timer);
    if (error) w.reject(error);
    else w.resolve(line);
  }

  send(line) {
    this.log?.(">", line);
    if (this.exited) return;
    this.child.stdin.write(line + "\n");
  }

  /**
   * Resolves with the first line (including ones already queued) for which
   * test(line) is true; rejects on timeout or exit.
   */
  waitFor(test, description, timeoutMs = this.timeoutMs) {
    return new Promise((resolve, reject) => {
      while (this._queue.length) {
        const line = this._queue.shift();
        if (test(line)) return resolve(line);
      }
      if (this.exited) {
        return reject(
          new EngineError("crash", `${this.label} ${this.exitInfo} before ${description}`),
        );
      }
      this._waiter = { test, resolve, reject, description };
      this._waiter.timer = setTimeout(() => {
        this._settle(
          new EngineError("timeout", `${this.label} gave no ${description} within ${timeoutMs} ms`),
        );
      }, timeoutMs);
    });
  }

  async handshake() {
    this.send("usi");
    await this.waitFor((line) => {
      const m = /^id\s+name\s+(.*)$/.exec(line);
      if (m) this.name = m[1].trim();
      const o = /^option\s+name\s+(\S+)/.exec(line);
      if (o) this.advertisedOptions.add(o[1]);
      return line.trim() === "usiok";
    }, "usiok");
    for (const [name, value] of this.options) {
      this.send(value === null ? `setoption name ${name}` : `setoption name ${name} value ${value}`);
    }
  }

  async isReady() {
    this.send("isready");
    await this.waitFor((line) => line.trim() === "readyok", "readyok");
  }

  /**
   * Sends position + go and returns { token, elapsedMs }, token being the
   * word after "bestmove" ("" when missing).
   */
  async think(positionCommand, goCommand, timeoutMs) {
    // Anything still queued belongs to an earlier exchange.
    this._queue.length = 0;
    this.send(positionCommand);
    const t0 = performance.now();
    this.send(goCommand);
    const line = await this.waitFor((l) => /^bestmove(\s|$)/.test(l), "bestmove", timeoutMs);
    const elapsedMs = performance.now() - t0;
    const token = line.trim().split(/\s+/)[1] ?? "";
    return { token, line, elapsedMs };
  }

  kill() {
    if (!this.child || this._groupKilled) return;
    this._groupKilled = true;
    live.delete(this);
    try {
      process.kill(-this.child.pid, "SIGKILL");
    } catch {
      // the whole group is already gone
    }
  }

  /** Asks the engine to quit, and kills it if it does not within graceMs. */
  async quit(graceMs = 1000) {
    if (!this.child) return;
    if (!this.exited) {
      this.send("quit");
      await this._exitWithin(graceMs);
    }
    // The shell may have exited while the engine it started keeps running.
    this.kill();
  }

  _exitWithin(graceMs) {
    return new Promise((resolve) => {
      const timer = setTimeout(() => {
        this.kill();
        resolve();
      }, graceMs);
      this.child.once("close", () => {
        clearTimeout(timer);
        resolve();
      });
    });
  }
}
