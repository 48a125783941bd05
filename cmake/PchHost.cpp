// The host of a library kind's precompiled headers: it compiles them, and nothing else.
