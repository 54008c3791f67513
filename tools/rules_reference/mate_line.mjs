// Checks a mate problem against tsshogi, an independent rules library, for the mate tests.
// A problem qualifies when exactly one first move mates within LENGTH plies (and in exactly
// LENGTH), at every later attacker turn exactly one check mates within the plies a 12-ply
// search still has, and every defence lasts equally long. Such a line does not depend on move
// order, so any correct checks-only search must report that first move and length.
// Setup: npm ci in this folder. Usage: node mate_line.mjs SFEN LENGTH -> the line, or exit 1;
// node mate_line.mjs --file tests/mate/data/drop_mates.txt checks every problem listed there.
import { readFileSync } from "node:fs";
import { Position } from "tsshogi";
import { legalMoves } from "./legal_moves.mjs";

const SEARCH_PLIES = 11; // the longest mate a 12-ply checks-only search proves

function checks(pos) {
    return legalMoves(pos).filter((m) => {
        pos.doMove(m, { ignoreValidation: true });
        const check = pos.checked;
        pos.undoMove(m);
        return check;
    });
}

const memo = new Map();

// Attacker to move: plies of the shortest mate by checks within `plies`, else Infinity.
function attack(pos, plies) {
    if (plies < 1) return Infinity;
    const key = `${pos.sfen}|${plies}`;
    if (memo.has(key)) return memo.get(key);
    let best = Infinity;
    for (const m of checks(pos)) {
        if (best === 1) break;
        pos.doMove(m, { ignoreValidation: true });
        const v = defend(pos, Math.min(plies, best - 2) - 1);
        pos.undoMove(m);
        best = Math.min(best, v + 1);
    }
    memo.set(key, best);
    return best;
}

// Defender to move after a check: plies until mate against the best defence, Infinity if it
// escapes within `plies`.
function defend(pos, plies) {
    const moves = legalMoves(pos);
    if (moves.length === 0) return 0;
    if (plies < 2) return Infinity;
    let worst = 0;
    for (const m of moves) {
        pos.doMove(m, { ignoreValidation: true });
        const v = attack(pos, plies - 1);
        pos.undoMove(m);
        if (v === Infinity) return Infinity;
        worst = Math.max(worst, v + 1);
    }
    return worst;
}

function matingChecks(pos, plies) {
    return checks(pos).flatMap((m) => {
        pos.doMove(m, { ignoreValidation: true });
        const v = defend(pos, plies - 1);
        pos.undoMove(m);
        return v === Infinity ? [] : [[m, v + 1]];
    });
}

// [length, line] when the subtree has the properties above, else a reason string.
function attackerTurn(pos, ply) {
    const mating = matingChecks(pos, SEARCH_PLIES - ply);
    if (mating.length !== 1) {
        return `ply ${ply}: ${mating.length} checks mate: ${mating.map(([m]) => m.usi).join(" ")}`;
    }
    const [m] = mating[0];
    pos.doMove(m, { ignoreValidation: true });
    const r = defenderTurn(pos, ply + 1);
    pos.undoMove(m);
    return typeof r === "string" ? r : [r[0], [m.usi, ...r[1]]];
}

function defenderTurn(pos, ply) {
    const moves = legalMoves(pos);
    if (moves.length === 0) return [ply, []];
    let result = null;
    for (const m of moves) {
        pos.doMove(m, { ignoreValidation: true });
        const r = attackerTurn(pos, ply + 1);
        pos.undoMove(m);
        if (typeof r === "string") return r;
        if (result && r[0] !== result[0]) return `ply ${ply}: defences of unequal length`;
        result ??= [r[0], [m.usi, ...r[1]]];
    }
    return result;
}

// [first move, ...] of the single line of `sfen` in exactly `length` plies, or a reason string.
function singleLine(sfen, length) {
    memo.clear();
    const pos = new Position();
    if (!pos.resetBySFEN(sfen)) return "bad SFEN";
    const first = matingChecks(pos, length);
    if (first.length !== 1 || first[0][1] !== length) {
        return `root: mates within ${length}: ${first.map(([m, n]) => `${m.usi}/${n}`).join(" ")}`;
    }
    pos.doMove(first[0][0], { ignoreValidation: true });
    const r = defenderTurn(pos, 1);
    if (typeof r === "string") return r;
    return r[0] === length ? [first[0][0].usi, ...r[1]] : `line of ${r[0]} plies`;
}

const args = process.argv.slice(2);
if (args[0] === "--file" && args.length === 2) {
    // Lines "SFEN|move|length"; "#" starts a comment.
    let bad = 0, count = 0;
    for (const line of readFileSync(args[1], "utf8").split("\n")) {
        if (line.trim() === "" || line.startsWith("#")) continue;
        const [sfen, move, length] = line.split("|");
        const r = singleLine(sfen, Number(length));
        ++count;
        if (typeof r === "string" || r[0] !== move) {
            console.log(`${line}: ${typeof r === "string" ? r : `line starts ${r[0]}`}`);
            ++bad;
        }
    }
    console.log(`${count - bad} of ${count} problems have the stated single line`);
    process.exit(bad === 0 && count > 0 ? 0 : 1);
} else if (args.length === 2 && Number(args[1]) >= 1) {
    const r = singleLine(args[0], Number(args[1]));
    console.log(typeof r === "string" ? `no single line: ${r}` : r.join(" "));
    process.exit(typeof r === "string" ? 1 : 0);
} else {
    console.error("usage: node mate_line.mjs SFEN LENGTH | node mate_line.mjs --file PROBLEMS");
    process.exit(2);
}
