#pragma once

namespace ChatProtocol {

// How the assistant is asked to answer: talk, analyse, or propose actions on the graph.
enum class Mode { Discussion = 0, Reflection = 1, Action = 2 };

} // namespace ChatProtocol
