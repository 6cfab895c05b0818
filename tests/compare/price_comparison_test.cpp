#include "compare/price_comparison.h"

#include <gtest/gtest.h>
