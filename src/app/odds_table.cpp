// Placeholder until the table lands.
#include "odds_table.h"
