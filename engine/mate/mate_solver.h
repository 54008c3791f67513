#pragma once

// The mate solver: a depth-limited AND/OR search over side 1's checks and side 0's evasions that
// finds the shortest forced mate of side 0's king within `configuredDepth` plies (12 in a think).
// It runs on a thread of its own beside the main search. The search nodes live in mate_nodes.h and
// are shared with MateTester.
//
// Thread protocol. The only fields shared while the solver thread runs are `found`,
// `done`, `configuredDepth` and `depthLimit`; everything else belongs to the solver thread until it
// has finished.
//   - The result fields (`bestMove`, `bestLength`, `mateLength`[0]) are written before `found` and
//     `done`, which are stored with release; read `found` / `done` with acquire, and read the
//     result fields only after seeing `found` = 1 (or after join()).
//   - The main search may poll `found` at any time (relaxed or acquire).
//   - requestStop() writes 0 into `configuredDepth` and `depthLimit`; every node reads `depthLimit`
//     afresh, so the run unwinds quickly. A run cut short by a stop request offers nothing
//     (`found` stays 0).
//   - start() requests a stop of any previous run and joins its thread before setting the object up
//     again; the destructor does the same, so a thread never outlives or races its object.

#include <atomic>
#include <cstdint>
#include <thread>

#include "engine/position/attack_map.h"
#include "engine/position/types.h"

namespace kaz {

// bestLength when no mate has been recorded.
constexpr std::int32_t NO_MATE = 10000;
// The depth a think gives the solver.
constexpr int MATE_SOLVER_DEPTH = 12;
// Per-ply slots of the solver's arrays.
constexpr int MATE_PLY_SLOTS = 64;

class MateSolver {
  public:
    MateSolver() = default;
    ~MateSolver();  // requests a stop and joins a running thread
    MateSolver(const MateSolver&) = delete;
    MateSolver& operator=(const MateSolver&) = delete;

    // --- Thread API -------------------------------------------------------------------------
    // The think's set-up (flags cleared, both depths set) followed by the start of mateSolverThread
    // on a new std::thread. A previous run is first told to stop and joined. `position` is copied:
    // side 1 attacks, side 0's king is the one to be mated.
    void start(const Position& position, int depth = MATE_SOLVER_DEPTH);
    // The set-up alone, for a synchronous solve() on the calling thread (command line, tests).
    // Also stops and joins a previous run first.
    void setUp(const Position& position, int depth = MATE_SOLVER_DEPTH);
    // Stop request: configuredDepth = depthLimit = 0. Safe from any thread at any time.
    void requestStop();
    // Waits for the solver thread, if one was started and not yet joined. Call from the thread
    // that called start().
    void join();
    // True between start() and join().
    bool joinable() const { return thread_.joinable(); }

    // --- Search -----------------------------------------------------------------------------
    // The root procedure: two passes over side 1's checks (class 1, then class 0),
    // the recording of the shortest mate and the hu-drop filter. Runs on the calling thread.
    void solve();

    // Moves made (board moves and drops, both sides) by the last solve(). Written by the solver
    // thread only; read it after join(), or after reading `done` = 1 with acquire.
    std::uint64_t nodes = 0;

    // --- Search state --------------------------------------------------------------------------
    Position position;                           // board and both hands being searched
    std::int32_t kingSquare[2][MATE_PLY_SLOTS];  // king squares of side 0 / side 1 per ply
    Board rootBoard;                             // board copy taken by solve()
    Hand rootHand[2];                            // hand copies taken by solve()
    std::int32_t rootKingSquare[2];              // king squares at the root
    std::int32_t ply = 0;                        // ply of the node being searched
    std::atomic<int> configuredDepth{0};         // depth given by the think; 0 = stop
    std::atomic<int> depthLimit{0};           // active limit, copied from configuredDepth per pass
    AttackMap attackMap;                      // exact for position.board at every moment
    std::uint8_t mateFlag[MATE_PLY_SLOTS];    // node at ply p proven to lead to mate
    std::int32_t mateLength[MATE_PLY_SLOTS];  // length of the mate proven below ply p
    std::int32_t moveClass[MATE_PLY_SLOTS];   // class (1 or 0) the node at ply p was entered with
    std::int32_t lastTarget[MATE_PLY_SLOTS];  // target square of the move tried at ply p
    EngineMove bestMove{};                    // root move of the best result
    std::atomic<std::uint8_t> done{0};        // 1 when solve() has finished
    std::atomic<std::uint8_t> found{0};       // 1 when solve() finished with a result to take
    std::int32_t bestLength = NO_MATE;        // shortest mate recorded at the root

  private:
    // Sets depthLimit from configuredDepth without losing a concurrent stop request, rebuilds the
    // attack map and returns to ply 0.
    void beginPass();

    std::thread thread_;
};

// Thread entry: runs solver->solve() and returns 0.
int mateSolverThread(MateSolver* solver);

}  // namespace kaz
