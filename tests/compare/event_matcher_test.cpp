#include "compare/event_matcher.h"

#include <gtest/gtest.h>
