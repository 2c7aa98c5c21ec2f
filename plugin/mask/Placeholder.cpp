// Masking sources go here.
