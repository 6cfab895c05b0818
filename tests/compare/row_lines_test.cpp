#include "compare/row_lines.h"

#include <gtest/gtest.h>
