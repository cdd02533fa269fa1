CREATE TABLE t (a int)
GO

INSERT INTO t VALUES (1)
Go 5
	gO	
