// Move counts from tsshogi, an independent rules library, for the rules tests to compare against.
// Setup: npm ci in this folder. Usage: node reference.mjs perft SFEN DEPTH   -> leaf count
//        node reference.mjs games SEED GAMES PLIES -> "sfen|count|fnv" lines along random games
import { Position } from "tsshogi";
import { legalMoves } from "./legal_moves.mjs";

function perft(pos, depth) {
    const moves = legalMoves(pos);
    if (depth === 1) return moves.length;
    let n = 0;
    for (const m of moves) {
        pos.doMove(m, { ignoreValidation: true });
        n += perft(pos, depth - 1);
        pos.undoMove(m);
    }
    return n;
}

// FNV-1a over the sorted USI strings, each followed by a space.
function fnv(strings) {
    let h = 0x811c9dc5;
    for (const s of strings) {
        for (const c of s + " ") {
            h ^= c.charCodeAt(0);
            h = Math.imul(h, 0x01000193) >>> 0;
        }
    }
    return h >>> 0;
}

function load(sfen) {
    const pos = new Position();
    if (!pos.resetBySFEN(sfen)) throw new Error("bad sfen " + sfen);
    return pos;
}

const [cmd, ...args] = process.argv.slice(2);
if (cmd === "perft") {
    console.log(perft(load(args[0]), Number(args[1])));
} else if (cmd === "games") {
    let seed = Number(args[0]) >>> 0;
    const rand = () => {
        seed = (Math.imul(seed, 1664525) + 1013904223) >>> 0;
        return seed;
    };
    for (let g = 0; g < Number(args[1]); ++g) {
        const pos = load("lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1");
        for (let ply = 0; ply < Number(args[2]); ++ply) {
            const moves = legalMoves(pos);
            const usi = moves.map((m) => m.usi).sort();
            console.log(`${pos.getSFEN(ply + 1)}|${moves.length}|${fnv(usi)}`);
            if (moves.length === 0) break;
            const pick = moves[rand() % moves.length];
            pos.doMove(pick, { ignoreValidation: true });
        }
    }
} else {
    console.error("usage: node reference.mjs perft SFEN DEPTH | games SEED GAMES PLIES");
    process.exit(2);
}
