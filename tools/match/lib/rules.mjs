// Move legality and game-end rules on top of tsshogi.
//
// tsshogi validates a single move (Position.isValidMove covers drops,
// promotion zones, dead pieces, nifu, pawn-drop mate and self-check) but has
// no move generator, so checkmate ("no legal move") is found here by trying
// every from/to pair.
import {
  Color,
  InitialPositionSFEN,
  JishogiDeclarationResult,
  JishogiDeclarationRule,
  Move,
  PieceType,
  Position,
  Square,
  handPieceTypes,
  judgeJishogiDeclaration,
} from "tsshogi";

export const STANDARD_SFEN = InitialPositionSFEN.STANDARD;

// tsshogi's own USI parser accepts trailing garbage ("7g7fx") and lower-case
// drop letters, so an engine's output is held to the exact grammar first.
const USI_MOVE = /^(?:[1-9][a-i][1-9][a-i]\+?|[PLNSGBR]\*[1-9][a-i])$/;

export function isWellFormedUsiMove(text) {
  return USI_MOVE.test(text);
}

/**
 * Turns a well-formed USI move into a legal tsshogi Move for `position`,
 * or null when the move is not legal there.
 */
export function legalMoveFromUsi(position, usi) {
  if (!isWellFormedUsiMove(usi)) return null;
  const move = position.createMoveByUSI(usi);
  if (!move) return null; // nothing on the from-square
  return position.isValidMove(move) ? move : null;
}

function* candidateMoves(position) {
  const color = position.color;
  const board = position.board;
  for (const from of board.listSquaresByColor(color)) {
    for (const to of Square.all) {
      const move = position.createMove(from, to);
      if (!move) continue;
      yield move;
      const piece = board.at(from);
      if (piece.isPromotable()) yield move.withPromote();
    }
  }
  const hand = position.hand(color);
  for (const type of handPieceTypes) {
    if (hand.count(type) === 0) continue;
    for (const to of Square.all) {
      if (!board.at(to)) yield new Move(type, to, false, color, type, null);
    }
  }
}

export function legalMoves(position) {
  const out = [];
  for (const move of candidateMoves(position)) {
    if (position.isValidMove(move)) out.push(move);
  }
  return out;
}

export function hasLegalMove(position) {
  for (const move of candidateMoves(position)) {
    if (position.isValidMove(move)) return true;
  }
  return false;
}

/**
 * Says why a well-formed USI move is illegal in `position`, for reports that
 * someone debugging the engine will read. Assumes legalMoveFromUsi failed.
 */
export function explainIllegal(position, usi) {
  if (!isWellFormedUsiMove(usi)) return "not a USI move";
  const move = position.createMoveByUSI(usi);
  if (!move) return "no piece on the from-square";
  const board = position.board;
  const color = position.color;
  if (move.from instanceof Square) {
    const piece = board.at(move.from);
    if (piece.color !== color) return "moves an opponent's piece";
    if (board.at(move.to)?.color === color) return "captures its own piece";
    if (move.promote && !piece.isPromotable()) return "promotes a piece that cannot promote";
    if (!position.listAttackers(move.to).some((sq) => sq.equals(move.from))) {
      return "the piece cannot move there";
    }
    const after = position.clone();
    after.doMove(move, { ignoreValidation: true });
    if (after.board.isChecked(color)) return "leaves its own king in check";
    return move.promote
      ? "promotes outside the promotion zone"
      : "leaves a piece with no further move (must promote)";
  }
  if (position.hand(color).count(move.from) === 0) return "drops a piece not in hand";
  if (board.at(move.to)) return "drops onto an occupied square";
  if (move.from === PieceType.PAWN) {
    for (let rank = 1; rank <= 9; rank++) {
      const p = board.at(new Square(move.to.file, rank));
      if (p && p.color === color && p.type === PieceType.PAWN) return "two unpromoted pawns on one file (nifu)";
    }
  }
  if (board.isChecked(color, { filled: move.to })) return "leaves its own king in check";
  if (position.isPawnDropMate(move)) return "pawn-drop mate (uchifuzume)";
  return "drops a piece where it has no further move";
}

/**
 * Judges a "bestmove win" declaration by the 27-point rule that USI engines
 * are written against. A declaration that does not meet it loses: tsshogi
 * reports a short point count as a draw, but under this rule a false
 * declaration is a foul.
 */
export function declarationWins(position) {
  return (
    judgeJishogiDeclaration(JishogiDeclarationRule.GENERAL27, position, position.color) ===
    JishogiDeclarationResult.WIN
  );
}

export function colorName(color) {
  return color === Color.BLACK ? "sente" : "gote";
}

export function positionFromSfen(sfen) {
  const p = Position.newBySFEN(sfen);
  if (!p) throw new Error(`invalid SFEN: ${sfen}`);
  return p;
}

export { Color, PieceType };
