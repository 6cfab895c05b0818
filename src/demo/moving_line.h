// The one moving-line template behind MovingFirstLine and MovingSecondLine: the options and date a
// line was asked for, its events as each bookmaker keeps them, and the step from one generation to
// the next. A bookmaker's part (`Book`) says how its generation 0 is drawn and how a generation
// moves; this template owns the order: check the options, draw generation 0 from its seed, replay
// the steps up to the generation asked for. Below it, the members of MovingLine (demo_line.h),
// which first_line.cpp and second_line.cpp make for their line's model.
//
//   struct Book {
//       using Events = ...;                  // the line's events as the bookmaker keeps them
//       static constexpr uint64_t kSalt;     // tells the bookmakers' random sequences apart
//       static Events Draw(const DemoOptions&, Rng&);                      // generation 0
//       static void Move(Events&, const DemoOptions&, uint32_t generation);  // g - 1 to g
//   };
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "demo/demo_line.h"
#include "demo/random_source.h"

namespace lintaro::demo {

template <typename Book>
struct MovingLineState {
    // Throws std::invalid_argument for options out of range (CheckDemoOptions).
    MovingLineState(const DemoOptions& wanted, std::chrono::year_month_day on)
        : options(CheckedAtGenerationZero(wanted)), today(on) {
        Rng rng(Book::kSalt * 0x100000000ull + wanted.seed);
        events = Book::Draw(wanted, rng);
        while (options.generation < wanted.generation) Advance();
    }

    void Advance() {
        const uint32_t next = ++options.generation;
        if (options.events > 0) Book::Move(events, options, next);
    }

    DemoOptions options;  // generation: the line's current one
    std::chrono::year_month_day today;
    typename Book::Events events;

  private:
    static DemoOptions CheckedAtGenerationZero(DemoOptions options) {
        CheckDemoOptions(options);
        options.generation = 0;
        return options;
    }
};

template <typename Model, typename Published>
MovingLine<Model, Published>::MovingLine(const DemoOptions& options,
                                         std::chrono::year_month_day today)
    : model_(std::make_unique<Model>(options, today)) {}

template <typename Model, typename Published>
MovingLine<Model, Published>::~MovingLine() = default;
template <typename Model, typename Published>
MovingLine<Model, Published>::MovingLine(MovingLine&&) noexcept = default;
template <typename Model, typename Published>
MovingLine<Model, Published>& MovingLine<Model, Published>::operator=(MovingLine&&) noexcept =
    default;

template <typename Model, typename Published>
uint32_t MovingLine<Model, Published>::Generation() const {
    return model_->options.generation;
}

template <typename Model, typename Published>
void MovingLine<Model, Published>::Advance() {
    model_->Advance();
}

template <typename Model, typename Published>
Published MovingLine<Model, Published>::Line() const {
    return model_->Line();
}

}  // namespace lintaro::demo
