// Game records written by tsshogi, an independent shogi library, for the record-file tests, and
// the check that tsshogi reads our own files back to the same positions.
// Setup: npm ci in this folder.
// Usage: node record_corpus.mjs make DIR   -> DIR/NAME.kif, DIR/NAME.csa and DIR/NAME.sfen (the
//                                             position before each move, one SFEN a line)
//        node record_corpus.mjs check DIR EXPECTED -> every DIR/NAME.kif and DIR/NAME.csa must
//                                             replay to EXPECTED/NAME.sfen
import fs from "node:fs";
import path from "node:path";
import {
    Position, Record, RecordMetadataKey, SpecialMoveType, exportKIF, exportCSA, importKIF,
    importCSA,
} from "tsshogi";
import { legalMoves } from "./legal_moves.mjs";

const HANDICAPS = {
    hirate: "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1",
    kyo: "lnsgkgsn1/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    migikyo: "1nsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    kaku: "lnsgkgsnl/1r7/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    hisha: "lnsgkgsnl/7b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    hikyo: "lnsgkgsn1/7b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    nimai: "lnsgkgsnl/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    sanmai: "lnsgkgsn1/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    yonmai: "1nsgkgsn1/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    gomai: "2sgkgsn1/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    hidarigomai: "1nsgkgs2/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    rokumai: "2sgkgs2/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    hidarinanamai: "2sgkg3/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    miginanamai: "3gkgs2/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    hachimai: "3gkg3/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
    jumai: "4k4/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1",
};

let seed = 14;
const rand = () => {
    seed = (Math.imul(seed, 1664525) + 1013904223) >>> 0;
    return seed;
};

// Random legal moves from pos, preferring captures so that hands fill and promotions occur.
function randomGame(sfen, plies) {
    const record = new Record(Position.newBySFEN(sfen));
    for (let ply = 0; ply < plies; ++ply) {
        const moves = legalMoves(record.position);
        if (moves.length === 0) break;
        const captures = moves.filter((m) => m.capturedPieceType);
        const pool = captures.length && rand() % 3 === 0 ? captures : moves;
        record.append(pool[rand() % pool.length], { ignoreValidation: true });
    }
    return record;
}

// The position before each move and after the last, without the move number.
function positions(record) {
    const out = [];
    record.goto(0);
    const pos = record.position.clone();
    out.push(pos.sfen);
    for (const node of record.moves.slice(1)) {
        if (!(node.move && node.move.usi)) break;
        pos.doMove(node.move, { ignoreValidation: true });
        out.push(pos.sfen);
    }
    return out.map((s) => s.split(" ").slice(0, 3).join(" "));
}

function make(dir) {
    fs.mkdirSync(dir, { recursive: true });
    const games = Object.entries(HANDICAPS).map(([name, sfen]) => [name, sfen, 40]);
    // Set-up positions with pieces in hand: the middle of random games, either side to move.
    for (let i = 0; i < 4; ++i) {
        const mid = randomGame(HANDICAPS.hirate, 50 + 7 * i);
        games.push([`setup${i}`, mid.position.getSFEN(1), 30]);
    }
    for (const [name, sfen, plies] of games) {
        const record = randomGame(sfen, plies);
        record.metadata.setStandardMetadata(RecordMetadataKey.BLACK_NAME, `先手${name}`);
        record.metadata.setStandardMetadata(RecordMetadataKey.WHITE_NAME, `後手${name}`);
        record.append(SpecialMoveType.RESIGN);
        fs.writeFileSync(path.join(dir, `${name}.kif`), exportKIF(record, { returnCode: "\r\n" }));
        fs.writeFileSync(path.join(dir, `${name}.csa`), exportCSA(record, { returnCode: "\n" }));
        fs.writeFileSync(path.join(dir, `${name}.sfen`), positions(record).join("\n") + "\n");
    }
}

function check(dir, expectedDir) {
    let files = 0;
    for (const file of fs.readdirSync(dir).sort()) {
        const ext = path.extname(file);
        if (ext !== ".kif" && ext !== ".csa") continue;
        const text = fs.readFileSync(path.join(dir, file));
        const decoded = ext === ".kif" ? new TextDecoder("shift_jis").decode(text) : text.toString();
        const record = ext === ".kif" ? importKIF(decoded) : importCSA(decoded);
        if (record instanceof Error) throw new Error(`${file}: ${record.message}`);
        const expected = fs
            .readFileSync(path.join(expectedDir, path.basename(file, ext) + ".sfen"), "utf8")
            .trim()
            .split("\n");
        const got = positions(record);
        if (got.join("\n") !== expected.join("\n")) {
            const at = got.findIndex((s, i) => s !== expected[i]);
            throw new Error(`${file}: position ${at}: ${got[at]} expected ${expected[at]}`);
        }
        ++files;
    }
    if (files === 0) throw new Error(`no records in ${dir}`);
    console.log(`${files} records read back by tsshogi to the same positions`);
}

const [cmd, ...args] = process.argv.slice(2);
if (cmd === "make" && args.length === 1) make(args[0]);
else if (cmd === "check" && args.length === 2) check(args[0], args[1]);
else {
    console.error("usage: node record_corpus.mjs make DIR | check DIR EXPECTED");
    process.exit(2);
}
