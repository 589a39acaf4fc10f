// The library exists to carry the compiled-in data files.
