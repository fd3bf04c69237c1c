// (test doubles go here)
