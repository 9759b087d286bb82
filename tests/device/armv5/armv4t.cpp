unsigned Shifted(unsigned value) { return value << 3; }
