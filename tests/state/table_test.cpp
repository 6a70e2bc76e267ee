#include "state/shared_state.h"

#include <gtest/gtest.h>

namespace tesk::state {
using geometry::Divide;
using geometry::ErrorCode;
using geometry::RuntimeError;
namespace {

TEST(Table, IsOneBasedAndBoundsChecked) {
    SharedState s;
    s.JdX[1] = 1.5;
    s.JdX[kMaxRows] = 2.5;
    EXPECT_EQ(s.JdX[1], 1.5);
    EXPECT_EQ(s.JdX[kMaxRows], 2.5);
    EXPECT_EQ(s.JdY[7], 0.0) << "a cell never written reads as 0";
    EXPECT_EQ(s.JdNameLine[3], "");
    for (int bad : {0, -1, kMaxRows + 1}) {
        try {
            (void)s.JdX[bad];
            ADD_FAILURE() << "index " << bad << " accepted";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Code(), ErrorCode::IndexOutOfRange);
        }
    }
}

TEST(Table, ChainBreakTablesRunFromZeroToTwenty) {
    SharedState s;
    s.BreakBack[0] = 0.0;
    s.BreakBack[20] = 1e9;
    EXPECT_THROW((void)s.BreakBack[21], RuntimeError);
    EXPECT_THROW((void)s.BreakAhead[-1], RuntimeError);
}

TEST(Table, ElementStationsHaveARowForTheEndOfTheLine) {
    SharedState s;
    s.ElemStation[kMaxRows + 1] = 1.0;
    EXPECT_THROW((void)s.ElemStation[kMaxRows + 2], RuntimeError);
    EXPECT_THROW((void)s.ElemLength[kMaxRows + 1], RuntimeError);
}

TEST(Divide, RefusesZeroDivisorAndNonFiniteQuotient) {
    EXPECT_EQ(Divide(1.0, 4.0, "x"), 0.25);
    try {
        Divide(1.0, 0.0, "x");
        ADD_FAILURE();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Code(), ErrorCode::DivisionByZero);
    }
    try {
        Divide(1e300, 1e-300, "x");
        ADD_FAILURE();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Code(), ErrorCode::NonFinite);
    }
}

} // namespace
} // namespace tesk::state
