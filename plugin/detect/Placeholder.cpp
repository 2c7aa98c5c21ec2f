// Detection engine sources go here.
