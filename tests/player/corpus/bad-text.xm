These are the liner notes, not a module.
