// Start positions for matches. Each is a root SFEN plus moves played from
// it, so the game record shows how the opening arose and engines get the
// whole history (repetition counting starts at the root).
import { readFileSync } from "node:fs";
import { Position } from "tsshogi";
import { STANDARD_SFEN, legalMoveFromUsi } from "./rules.mjs";

// A few plies into the common openings, with both sides still in book, so a
// match does not replay one line over and over.
export const BUILTIN_OPENINGS = [
  { name: "Initial position", moves: "" },
  { name: "Yagura", moves: "7g7f 8c8d 6g6f 3c3d 6i7h 7a6b 5g5f 5c5d" },
  { name: "Bishop exchange", moves: "2g2f 8c8d 7g7f 3c3d 8h2b+ 3a2b 7i8h" },
  { name: "Side pawn capture", moves: "7g7f 3c3d 2g2f 8c8d 2f2e 8d8e 6i7h 4a3b 2e2d 2c2d 2h2d 8e8f 8g8f 8b8f 2d3d" },
  { name: "Double wing attack", moves: "2g2f 8c8d 2f2e 8d8e 6i7h 4a3b" },
  { name: "Gote fourth-file rook", moves: "7g7f 3c3d 2g2f 4c4d 2f2e 2b3c 3i4h 8b4b" },
  { name: "Sente central rook", moves: "7g7f 8c8d 5g5f 8d8e 8h7g 3c3d 2h5h" },
  { name: "Sente third-file rook", moves: "7g7f 3c3d 7f7e 8c8d 2h7h" },
].map((o) => ({ name: o.name, sfen: STANDARD_SFEN, moves: o.moves ? o.moves.split(" ") : [] }));

/** Throws unless every move of the opening is legal from its root. */
export function checkOpening(opening) {
  const position = Position.newBySFEN(opening.sfen);
  if (!position) throw new Error(`opening "${opening.name}": invalid SFEN ${opening.sfen}`);
  for (const usi of opening.moves) {
    const move = legalMoveFromUsi(position, usi);
    if (!move) throw new Error(`opening "${opening.name}": illegal move ${usi} at ${position.sfen}`);
    position.doMove(move);
  }
  return opening;
}

/**
 * Parses one opening per line, in the form of a USI position command without
 * the word "position": "startpos [moves ...]" or "sfen <4 fields> [moves ...]".
 * A bare SFEN (4 fields) is also accepted. Blank lines and "#" comments are
 * skipped.
 */
export function parseOpenings(text, sourceName = "openings") {
  const openings = [];
  text.split(/\r?\n/).forEach((raw, index) => {
    const line = raw.replace(/#.*/, "").trim();
    if (!line) return;
    const name = `${sourceName}:${index + 1}`;
    let words = line.split(/\s+/);
    let sfen;
    if (words[0] === "startpos") {
      sfen = STANDARD_SFEN;
      words = words.slice(1);
    } else {
      if (words[0] === "sfen") words = words.slice(1);
      if (words.length < 4) throw new Error(`${name}: expected startpos or an SFEN`);
      sfen = words.slice(0, 4).join(" ");
      words = words.slice(4);
    }
    if (words.length && words[0] !== "moves") throw new Error(`${name}: expected "moves" after the position`);
    openings.push(checkOpening({ name, sfen, moves: words.slice(1) }));
  });
  if (!openings.length) throw new Error(`${sourceName}: no openings`);
  return openings;
}

export function loadOpenings(file) {
  return parseOpenings(readFileSync(file, "utf8"), file);
}
