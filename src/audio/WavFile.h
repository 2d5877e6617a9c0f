#pragma once
// Placeholder: reading and writing WAV files (being written).
