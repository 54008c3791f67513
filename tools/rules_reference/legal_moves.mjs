// Every legal move of the side to move, by tsshogi. tsshogi generates no moves, so every
// origin/target pair (plain and promoted) and every drop is offered to it.
import { Square, PieceType } from "tsshogi";

const HAND_KINDS = [
    PieceType.PAWN, PieceType.LANCE, PieceType.KNIGHT, PieceType.SILVER,
    PieceType.GOLD, PieceType.BISHOP, PieceType.ROOK,
];

export function legalMoves(pos) {
    const out = [];
    for (const from of Square.all) {
        const piece = pos.board.at(from);
        if (!piece || piece.color !== pos.color) continue;
        for (const to of Square.all) {
            const m = pos.createMove(from, to);
            if (!m) continue;
            if (pos.isValidMove(m)) out.push(m);
            const p = m.withPromote();
            if (pos.isValidMove(p)) out.push(p);
        }
    }
    for (const kind of HAND_KINDS) {
        if (pos.hand(pos.color).count(kind) === 0) continue;
        for (const to of Square.all) {
            const m = pos.createMove(kind, to);
            if (m && pos.isValidMove(m)) out.push(m);
        }
    }
    return out;
}
