int vz_placeholder() { return 0; }
