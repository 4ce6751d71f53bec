#pragma once
/// What each of the box's nine input sources brings: how many input channels it carries,
/// which is also how many rows of mix levels it has and how many input boxes an output
/// strip offers while it is selected. One table for every front end and for the reads and
/// write-backs of routing.

namespace qb {

/// Input channels source `source` carries: six for the high-level input, two for the
/// other sources the source selector offers, none for the four it never offers (what
/// those carry is the box's affair) and none for a number outside 0..8.
int InputsOfSource(int source);

/// True for the five sources the source selector offers (those that carry inputs).
bool SelectorOffersSource(int source);

}  // namespace qb
