// Stand-in host core sources go here.
