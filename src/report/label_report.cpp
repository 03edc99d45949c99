// Placeholder until the label page model is written.
